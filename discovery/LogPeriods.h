#pragma once

#include <QString>
#include <QVector>

class ListField;

// The logging periods, item data = seconds.
struct LogPeriod {
    const char *text;
    int seconds;
};
const QVector<LogPeriod> &logPeriods();

// Every period, "Single Log" selected (the rotary lists).
void fillAllLogPeriods(ListField &list);

// A level probe's period list from its maximum sample rate: "Single Log",
// then each period whose seconds exceed the sample rate + 1, "Single Log"
// selected.
void FillLogPeriods(ListField &list, const QString &sampleRateText);

// Item data of the selected period; nothing selected gives -1.
int selectedPeriodSeconds(const ListField &list);
