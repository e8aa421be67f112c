#include "LogPeriods.h"

#include "decode/Values.h"
#include "discovery/Fields.h"

const QVector<LogPeriod> &logPeriods()
{
    static const QVector<LogPeriod> periods = {
        {"Single Log", 0}, {"1 Second", 1},  {"2 Seconds", 2},  {"5 Seconds", 5},   {"10 Seconds", 10},
        {"30 Seconds", 30}, {"1 Minute", 60}, {"5 Minutes", 300}, {"15 Minutes", 900},
    };
    return periods;
}

namespace {
void fill(ListField &list, float limit)
{
    QStringList texts;
    QVector<int> seconds;
    for (const LogPeriod &p : logPeriods())
        if (p.seconds == 0 || static_cast<float>(p.seconds) > limit) {
            texts << QString::fromLatin1(p.text);
            seconds << p.seconds;
        }
    list.setItems(texts, seconds);
    list.select(0);
}
} // namespace

void fillAllLogPeriods(ListField &list)
{
    fill(list, -1e9f);
}

void FillLogPeriods(ListField &list, const QString &sampleRateText)
{
    // The limit is compared in single precision.
    fill(list, static_cast<float>(values::Val(sampleRateText) + 1.0));
}

int selectedPeriodSeconds(const ListField &list)
{
    return list.currentIndex() < 0 ? -1 : list.currentData();
}
