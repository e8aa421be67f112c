#include "LogPeriods.h"

#include "decode/Values.h"

#include <QComboBox>

const QVector<LogPeriod> &logPeriods()
{
    static const QVector<LogPeriod> periods = {
        {"Single Log", 0}, {"1 Second", 1},  {"2 Seconds", 2},  {"5 Seconds", 5},   {"10 Seconds", 10},
        {"30 Seconds", 30}, {"1 Minute", 60}, {"5 Minutes", 300}, {"15 Minutes", 900},
    };
    return periods;
}

void fillAllLogPeriods(QComboBox *combo)
{
    combo->clear();
    for (const LogPeriod &p : logPeriods())
        combo->addItem(QString::fromLatin1(p.text), p.seconds);
    combo->setCurrentIndex(0);
}

void FillLogPeriods(QComboBox *combo, const QString &sampleRateText)
{
    // The limit is compared in single precision.
    const float limit = static_cast<float>(values::Val(sampleRateText) + 1.0);
    combo->clear();
    for (const LogPeriod &p : logPeriods())
        if (p.seconds == 0 || static_cast<float>(p.seconds) > limit)
            combo->addItem(QString::fromLatin1(p.text), p.seconds);
    combo->setCurrentIndex(0);
}

int selectedPeriodSeconds(const QComboBox *combo)
{
    if (combo->currentIndex() < 0)
        return -1;
    bool ok = false;
    const int s = combo->currentData().toInt(&ok);
    return ok ? s : -1;
}
