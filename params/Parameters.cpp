#include "Parameters.h"

#include "discovery/AddressOps.h"
#include "discovery/Console.h"
#include "discovery/SensorTable.h"
#include "params/EntryRules.h"
#include "params/LevelParams.h"
#include "params/RotaryParams.h"

namespace {
using C = Console &;
using K = Parameter::Kind;

const QVector<Parameter> kLevel = {
    {"pressure-units", "Pressure Units", "PressUnitsCombo", K::List, false, true, true,
     [](C m, int a) { m.level->PressUnitsQueryBut_Click(a); }, [](C m, int a) { m.level->PressUnitsBut_Click(a); }},
    {"temperature-units", "Temperature Units", "TempUnitsCombo", K::List, false, true, true,
     [](C m, int a) { m.level->TempUnitsQueryBut_Click(a); }, [](C m, int a) { m.level->TempUnitsBut_Click(a); }},
    {"density-correction", "Density Correction", "DensityCorrCombo", K::List, false, true, true,
     [](C m, int a) { m.level->DensityCorrQueryBut_Click(a); }, [](C m, int a) { m.level->DensityCorrBut_Click(a); }},
    {"range", "Range", "RangeText", K::Number, false, true, true,
     [](C m, int a) { m.level->RangeQueryBut_Click(a); }, [](C m, int a) { m.level->RangeBut_Click(a); }},
    {"max-over-range", "Maximium Over Range", "MaxOverRangeText", K::Number, false, true, true,
     [](C m, int a) { m.level->MaxOverRangeQueryBut_Click(a); }, [](C m, int a) { m.level->MaxRangeBut_Click(a); }},
    {"local-gravity", "Local Gravity", "LocalGravityText", K::Number, false, true, true,
     [](C m, int a) { m.level->LocalGravityQueryBut_Click(a); }, [](C m, int a) { m.level->LocalGravityBut_Click(a); }},
    {"local-level", "Local Level", "LevelText", K::Number, true, true, true,
     [](C m, int a) { m.level->LevelQueryBut_Click(a); }, [](C m, int a) { m.level->LevelBut_Click(a); }},
    {"reverse", "Reverse", "ReverseCombo", K::List, false, true, true,
     [](C m, int a) { m.level->ReverseQueryBut_Click(a); }, [](C m, int a) { m.level->ReverseBut_Click(a); }},
    {"local-offset", nullptr, "LocalOffsetCheck", K::Switch, false, true, false,
     [](C m, int a) { m.level->ApplyQueryBut_Click(a); }, [](C m, int a) { m.level->LocalOffsetCheck_Click(a); }},
    {"unlock", nullptr, "UnlockCheck", K::Switch, false, true, false,
     [](C m, int a) { m.level->UnlockQueryBut_Click(a); }, [](C m, int a) { m.level->UnlockCheck_Click(a); }},
    {"specific-gravity", nullptr, "SGText", K::Number, true, true, false,
     [](C m, int a) { m.level->QueryU0Value(a); }, [](C m, int a) { m.level->SGBut_Click(a); }},
    {"sample-rate", "Max. Sample Rate", "SampleRateText", K::Text, false, false, false,
     [](C m, int a) { m.level->FilterQuery(a); }, nullptr},
    {"serial-number", "Serial Number", "SerialNo", K::Text, false, false, false,
     [](C m, int a) { m.level->QueryLevelSerialNumber(a); }, nullptr},
    {"identification", nullptr, "SensorIDList", K::Lines, false, false, false,
     [](C m, int a) { m.address->IDQueryBut_Click(a); }, nullptr},
};

const QVector<Parameter> kRotary = {
    {"measurement-units", "Measurement Units", "RotaryMeasurementUnitsCombo", K::List, false, true, true,
     [](C m, int a) { m.rotary->QueryRotaryMeasurementUnitsBut_Click(a); },
     [](C m, int a) { m.rotary->RotaryMeasurementUnitsBut_Click(a); }},
    {"pulley-circumference", "Pulley Circumference (mm)", "RotaryPulleyCircumText", K::Text, false, true, true,
     [](C m, int a) { m.rotary->QueryRotaryPulleyCircumfBut_Click(a); },
     [](C m, int a) { m.rotary->RotaryPulleyCircumBut_Click(a); }},
    {"direction", "Rotation Direction", "RotaryDirectionCombo", K::List, false, true, true,
     [](C m, int a) { m.rotary->QueryRotaryDirectionBut_Click(a); },
     [](C m, int a) { m.rotary->RotaryDirectionBut_Click(a); }},
    {"counts-per-rev", "Counts Per Revolution", "RotaryCountsPerRevText", K::Text, false, true, true,
     [](C m, int a) { m.rotary->QueryRotaryCountsPerRevBut_Click(a); },
     [](C m, int a) { m.rotary->RotaryCountsPerRevBut_Click(a); }},
    {"current-value", nullptr, "RotaryCurrentValueText", K::Text, false, true, false,
     [](C m, int a) { m.rotary->QueryRotaryCurrentValueBut_Click(a); },
     [](C m, int a) { m.rotary->RotaryCurrentValueBut_Click(a); }},
    {"serial-number", "Serial Number", "SerialNo", K::Text, false, false, false,
     [](C m, int a) { m.rotary->QueryRotarySerialNumber(a); }, nullptr},
    {"identification", nullptr, "RotarySensorIDList", K::Lines, false, false, false,
     [](C m, int a) { m.address->RotaryIDQueryBut_Click(a); }, nullptr},
};

// The entry fields that repair a leading point when left.
bool repairs(const char *field)
{
    return QLatin1String(field) == QLatin1String("LevelText") || QLatin1String(field) == QLatin1String("LocalGravityText");
}

// "pressure-units" -> "pressure units"
QString spoken(const Parameter &p)
{
    return QString::fromLatin1(p.name).replace(QLatin1Char('-'), QLatin1Char(' '));
}
} // namespace

namespace parameters {

const QVector<Parameter> &all(bool rotary)
{
    return rotary ? kRotary : kLevel;
}

const Parameter *find(bool rotary, const QString &name)
{
    for (const Parameter &p : all(rotary))
        if (name == QLatin1String(p.name))
            return &p;
    return nullptr;
}

QStringList names(bool rotary, bool settableOnly)
{
    QStringList out;
    for (const Parameter &p : all(rotary))
        if (p.settable || !settableOnly)
            out << QString::fromLatin1(p.name);
    return out;
}

QString value(const Console &m, int a, const Parameter &p)
{
    if (QLatin1String(p.field) == QLatin1String("SerialNo"))
        return m.table->cell(a, 1);
    const Control *c = m.tab[static_cast<size_t>(a)]->find(QLatin1String(p.field));
    switch (p.kind) {
    case Parameter::Kind::List:
        return static_cast<const ListField *>(c)->text();
    case Parameter::Kind::Switch:
        return static_cast<const CheckField *>(c)->checkState() != Qt::Unchecked ? QStringLiteral("on")
                                                                                  : QStringLiteral("off");
    case Parameter::Kind::Lines:
        return static_cast<const LinesField *>(c)->lines().join(QLatin1Char('\n'));
    default:
        return static_cast<const TextField *>(c)->text();
    }
}

QString refusal(const Console &m, int a, const Parameter &p)
{
    const bool range = QLatin1String(p.name) == QLatin1String("range");
    if ((!range && QLatin1String(p.name) != QLatin1String("max-over-range")) ||
        m.tab[static_cast<size_t>(a)]->UnlockCheck.checkState() != Qt::Unchecked)
        return {};
    return LevelParams::lockedText(range ? QStringLiteral("range value") : QStringLiteral("maximum range value"));
}

QStringList choices(const Console &m, int a, const Parameter &p)
{
    if (p.kind != Parameter::Kind::List)
        return {};
    return static_cast<const ListField *>(m.tab[static_cast<size_t>(a)]->find(QLatin1String(p.field)))->items();
}

bool put(Console &m, int a, const Parameter &p, const QString &text, QString *why)
{
    Control *c = m.tab[static_cast<size_t>(a)]->find(QLatin1String(p.field));
    if (!p.settable || !c) {
        *why = QStringLiteral("The %1 is read from the sensor; it cannot be set.").arg(spoken(p));
        return false;
    }
    switch (p.kind) {
    case Parameter::Kind::Number: {
        // Typed key by key, as into the field.
        QString typed;
        for (const QChar k : text) {
            if (entry::filterKey(typed, k, p.minus) == entry::Verdict::Refuse) {
                *why = QStringLiteral("The %1 takes digits, at most one decimal point%2: \"%3\" does not fit.")
                           .arg(spoken(p), p.minus ? QStringLiteral(" and at most one minus sign") : QString(), text);
                return false;
            }
            typed += k;
        }
        static_cast<TextField *>(c)->setText(repairs(p.field) ? entry::leadingPointRepair(typed) : typed);
        return true;
    }
    case Parameter::Kind::List: {
        auto *l = static_cast<ListField *>(c);
        for (int i = 0; i < l->count(); ++i)
            if (QString::compare(l->itemText(i), text.trimmed(), Qt::CaseInsensitive) == 0) {
                l->select(i);
                return true;
            }
        *why = QStringLiteral("Please select the %1: %2.").arg(spoken(p), l->items().join(QStringLiteral(", ")));
        return false;
    }
    case Parameter::Kind::Switch: {
        static const QStringList on = {"on", "1", "yes", "true"}, off = {"off", "0", "no", "false"};
        const QString t = text.trimmed().toLower();
        if (!on.contains(t) && !off.contains(t)) {
            *why = QStringLiteral("The %1 is on or off: \"%2\" is neither.").arg(spoken(p), text);
            return false;
        }
        static_cast<CheckField *>(c)->setChecked(on.contains(t));
        return true;
    }
    default:
        static_cast<TextField *>(c)->setText(text);
        return true;
    }
}

} // namespace parameters
