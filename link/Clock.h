#pragma once

#include <QDateTime>
#include <QString>

// Time of day, date and the blocking millisecond sleep the link uses for the
// SDI-12 break and marking periods. Tests replace it to fix the date and time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    // Blocks the calling thread; no events are processed meanwhile.
    virtual void sleepMs(int ms);

    // The system's time-of-day text (with seconds) and short date text.
    QString timeOfDay() const { return timeText(now().time()); }
    QString shortDate() const { return dateText(now().date()); }

    static QString timeText(const QTime &t);
    static QString dateText(const QDate &d);
    static QString shortDateFormat();
};
