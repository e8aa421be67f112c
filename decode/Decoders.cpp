#include "Decoders.h"

namespace decoders {

QStringList identificationLines(const Answer &a)
{
    const int p = a.P();
    return {
        QStringLiteral("SDI Version = ") + a.mid(p + 2, 1) + QLatin1Char('.') + a.mid(p + 3, 1),
        QStringLiteral("Company Name = ") + a.mid(p + 4, 8),
        QStringLiteral("Sensor Model = ") + a.mid(p + 12, 6),
        QStringLiteral("Sensor Version = ") + a.mid(p + 18, 3),
    };
}

int pressureUnitCode(const Answer &a)
{
    switch (a.afterBang()) {
    case 2:
        return a.digit(1).value_or(0);
    case 3:
        return a.digit(1).value_or(0) * 10 + a.digit(2).value_or(0);
    default:
        return 0;
    }
}

Filter filter(const Answer &a)
{
    Filter f;
    const auto n1 = a.digit(2), n2 = a.digit(3);
    if (n1 && n2)
        f.readings = *n1 * 10 + *n2;
    const auto m1 = a.digit(5), m2 = a.digit(6), m3 = a.digit(7), m4 = a.digit(8);
    if (m1 && m2 && m3 && m4)
        f.interval = *m1 * 1000 + *m2 * 100 + *m3 * 10 + *m4;
    return f;
}

QString sampleRateText(const QString &maxSampleRateText)
{
    return maxSampleRateText + (maxSampleRateText == QLatin1String("1") ? QStringLiteral(" Second")
                                                                        : QStringLiteral(" Seconds"));
}

LevelData splitLevelData(const QString &d)
{
    // Every value starts with its sign; a sign that is not the first
    // character starts the next value. Values beyond the second are not
    // the family's and are left out.
    LevelData out;
    qsizetype second = -1, third = -1;
    for (qsizetype i = 1; i < d.size() && third < 0; ++i) {
        if (d.at(i) != QLatin1Char('+') && d.at(i) != QLatin1Char('-'))
            continue;
        (second < 0 ? second : third) = i;
    }
    if (second < 0) {
        out.first = d;
    } else {
        out.first = d.left(second);
        out.second = d.mid(second, third < 0 ? -1 : third - second);
    }
    out.first = dropPlus(out.first);
    out.second = dropPlus(out.second);
    return out;
}

QString dropPlus(const QString &v)
{
    return v.contains(QLatin1Char('+')) ? v.mid(1) : v;
}

} // namespace decoders
