#pragma once

#include <QString>
#include <QVector>

class QComboBox;

// The logging periods, item data = seconds.
struct LogPeriod {
    const char *text;
    int seconds;
};
const QVector<LogPeriod> &logPeriods();

// Every period, "Single Log" selected (the rotary lists).
void fillAllLogPeriods(QComboBox *combo);

// A level probe's period list from its maximum sample rate: "Single Log",
// then each period whose seconds exceed the sample rate + 1, "Single Log"
// selected.
void FillLogPeriods(QComboBox *combo, const QString &sampleRateText);

// Item data of the selected period; nothing selected gives -1.
int selectedPeriodSeconds(const QComboBox *combo);
