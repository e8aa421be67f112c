#include "Clock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QThread>

void Clock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

QString Clock::timeText(const QTime &t)
{
    // The long time format carries the seconds; the time-zone part is not
    // wanted in a log line.
    static const QString format = [] {
        QString f = QLocale::system().timeFormat(QLocale::LongFormat);
        f.remove(QRegularExpression(QStringLiteral("\\s*t+")));
        f = f.trimmed();
        if (!f.contains(QLatin1Char('s')))
            f = QStringLiteral("HH:mm:ss");
        return f;
    }();
    return QLocale::system().toString(t, format);
}

QString Clock::shortDateFormat()
{
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

QString Clock::dateText(const QDate &d)
{
    return QLocale::system().toString(d, shortDateFormat());
}
