#include "ParameterProfile.h"

#include "decode/Values.h"
#include "discovery/Console.h"
#include "discovery/Scanner.h"
#include "params/EntryRules.h"
#include "params/LevelParams.h"
#include "params/Parameters.h"

#include <QFile>

namespace {
// The lines of each family's report that give nothing to set.
const QStringList kLevelOnly = {"Range", "Maximium Over Range", "Pressure Units", "Temperature Units",
                                "Density Correction", "Local Gravity", "Local Level", "Reverse", "Max. Sample Rate"};
const QStringList kRotaryOnly = {"Maximum Range", "Counts Per Revolution", "Measurement Resolution",
                                 "Measurement Units", "Pulley Circumference (mm)", "Rotation Direction"};
const QStringList kBoth = {"SDI Version", "Company Name", "Sensor Model", "Sensor Version", "Serial Number",
                           "Sensor Address", "Logging Period"};

QString family(bool rotary)
{
    return rotary ? QStringLiteral("a rotary encoder") : QStringLiteral("a level probe");
}
} // namespace

bool ParameterProfile::read(const QString &text, QString *error)
{
    m_entries.clear();
    const bool rotary = m.SensorType;
    const QStringList &mine = rotary ? kRotaryOnly : kLevelOnly;
    const QStringList &theirs = rotary ? kLevelOnly : kRotaryOnly;
    QVector<Entry> entries;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1String(" ="));
        const QString label = eq > 0 ? line.left(eq) : QString();
        const QString value = eq > 0 ? line.mid(eq + 2).trimmed() : QString();
        if (theirs.contains(label)) {
            *error = QStringLiteral("This is the report of %1; the sensors of this run are %2s. Nothing was sent.")
                         .arg(family(!rotary), rotary ? QStringLiteral("rotary encoder") : QStringLiteral("level probe"));
            return false;
        }
        if (!mine.contains(label) && !kBoth.contains(label)) {
            *error = QStringLiteral("Line %1 of the report does not read: \"%2\". Nothing was sent.").arg(i + 1).arg(line);
            return false;
        }
        const Parameter *p = nullptr;
        for (const Parameter &q : parameters::all(rotary))
            if (q.inProfile && label == QLatin1String(q.label))
                p = &q;
        // Not given in the report (not yet read from its sensor): left as it is.
        if (!p || value.isEmpty() || value == ListField::selectText())
            continue;
        if (p->kind == Parameter::Kind::List) {
            const QStringList items = parameters::choices(m, 0, *p);
            if (!items.contains(value)) {
                *error = QStringLiteral("Line %1 of the report: \"%2\" is not one of the %3 (%4). Nothing was sent.")
                             .arg(i + 1)
                             .arg(value, QString::fromLatin1(p->name).replace(QLatin1Char('-'), QLatin1Char(' ')),
                                  items.join(QStringLiteral(", ")));
                return false;
            }
        } else {
            bool fits = values::strictNumber(value).has_value();
            QString typed;
            for (const QChar k : value)
                if (p->kind == Parameter::Kind::Number &&
                    entry::filterKey(typed, k, p->minus) == entry::Verdict::Refuse)
                    fits = false;
                else
                    typed += k;
            if (!fits) {
                *error = QStringLiteral("Line %1 of the report: \"%2\" is not a number the %3 takes. Nothing was sent.")
                             .arg(i + 1)
                             .arg(value, QString::fromLatin1(p->name).replace(QLatin1Char('-'), QLatin1Char(' ')));
                return false;
            }
        }
        entries.push_back({p, value});
    }
    if (entries.isEmpty()) {
        *error = QStringLiteral("The report gives no parameter of %1 to set. Nothing was sent.").arg(family(rotary));
        return false;
    }
    m_entries = entries;
    return true;
}

bool ParameterProfile::same(const Parameter &p, const QString &a, const QString &b)
{
    if (p.kind == Parameter::Kind::List)
        return a == b;
    const auto x = values::strictNumber(a), y = values::strictNumber(b);
    return x && y ? *x == *y : a == b;
}

void ParameterProfile::run(const std::function<void()> &send)
{
    send();
    m.settle();
}

bool ParameterProfile::compare(int a, QVector<Change> *changes, QString *error)
{
    changes->clear();
    if (!m.scanner->readSensor(a)) {
        *error = QStringLiteral("No %1 answers at address %2. Nothing was sent.")
                     .arg(m.SensorType ? QStringLiteral("rotary encoder") : QStringLiteral("level probe"))
                     .arg(a);
        return false;
    }
    // The range is set only while the sensor is unlocked: its lock state,
    // read as the tab's Unlock query reads it.
    for (const Entry &e : m_entries)
        if (!m.SensorType && !parameters::refusal(m, a, *e.parameter).isEmpty()) {
            run([&] { m.level->UnlockQueryBut_Click(a); });
            break;
        }
    // In the order of the family's parameters: units first, since a change
    // of units reads the values that depend on them again.
    for (const Parameter &p : parameters::all(m.SensorType))
        for (const Entry &e : m_entries)
            if (e.parameter == &p) {
                const QString now = parameters::value(m, a, p);
                if (!same(p, now, e.value))
                    changes->push_back({&p, now, e.value, QString(), false});
            }
    return true;
}

void ParameterProfile::apply(int a, QVector<Change> &changes)
{
    SequenceGuard guard(m);
    for (Change &c : changes) {
        QString why;
        if (!parameters::put(m, a, *c.parameter, c.wanted, &why)) {
            m.warn(QStringLiteral("Apply Parameters."), why);
            continue;
        }
        run([&] { c.parameter->set(m, a); });
    }
    // Read back: what the sensor says now.
    for (Change &c : changes) {
        run([&] { c.parameter->query(m, a); });
        c.after = parameters::value(m, a, *c.parameter);
        c.done = same(*c.parameter, c.after, c.wanted);
    }
}

QStringList ParameterProfile::describe(const QVector<Change> &changes, bool after)
{
    QStringList out;
    for (const Change &c : changes)
        if (!after || !c.done)
            out << QStringLiteral("%1: %2 -> %3%4")
                       .arg(QString::fromLatin1(c.parameter->label), c.before.isEmpty() ? QStringLiteral("(none)") : c.before,
                            c.wanted,
                            after ? QStringLiteral(" (the sensor says %1)").arg(c.after.isEmpty() ? QStringLiteral("nothing")
                                                                                                 : c.after)
                                  : QString());
    return out;
}

void ParameterProfile::mnuApply_Click()
{
    const QString title = QStringLiteral("Apply Parameters.");
    const QString path = m.ui.openFile(QStringLiteral("Select Parameter Report to Apply"),
                                       QStringLiteral("Text Files(*.txt)|*.txt"));
    if (path.isEmpty())
        return;
    QFile f(path);
    QString error;
    if (!f.open(QIODevice::ReadOnly)) {
        m.warn(title, QStringLiteral("The report %1 could not be read: %2.").arg(path, f.errorString()));
        return;
    }
    if (!read(QString::fromUtf8(f.readAll()), &error)) {
        m.warn(title, error);
        return;
    }
    const int a = m.currentTab();
    QVector<Change> changes;
    if (!compare(a, &changes, &error)) {
        m.warn(title, error);
        return;
    }
    if (changes.isEmpty()) {
        m.notice(title, QStringLiteral("Sensor %1 has every parameter of the report already.").arg(a));
        return;
    }
    if (!m.ui.askYesNo(title, QStringLiteral("These parameters of Sensor %1 differ from the report:\r").arg(a) +
                                  describe(changes).join(QLatin1Char('\r')) + QStringLiteral("\rSet them?")))
        return;
    apply(a, changes);
    const QStringList left = describe(changes, true);
    if (left.isEmpty())
        m.notice(title, QStringLiteral("Sensor %1 has every parameter of the report now.").arg(a));
    else
        m.warn(title, QStringLiteral("Sensor %1 still differs from the report:\r").arg(a) + left.join(QLatin1Char('\r')));
}
