#pragma once

#include "decode/Answer.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

class Console;

Q_DECLARE_LOGGING_CATEGORY(lcDecode)

// Decodes every framed line by the command that caused it and files the
// values under the sensor's tab and its row of the sensor table.
class Dispatcher
{
public:
    explicit Dispatcher(Console &m) : m(m) {}

    void Decode_SDI12(const QByteArray &sdi_buff);

    // The tab a line is filed under: the tab of the sensor the command in
    // flight was addressed to ("3XRA!" -> 3); the selected tab for commands
    // without an address ("?!").
    int answerTab() const;
    // The command in flight timed out (or the port was lost): a reading
    // whose first value had come is filed with it.
    void timedOut();

private:
    struct Line {
        Answer a;
        int T;
        int code;
        quint64 sentAtStart;
    };

    void fail();
    void answered();
    void idleLevel(const Line &l, int tab);
    void idleRotary(const Line &l, int tab);
    void beep();

    void userCommand(const QString &text);
    void addressQuery(const Line &l);
    void addressChange(const Line &l);
    void identification(const Line &l);
    void serialNumber(const Line &l);
    void trimOff(const Line &l);

    // level probe
    void pressureUnits(const Line &l);
    void listDigit(const Line &l, int tableColumn, bool measureAfterSet);
    void localGravity(const Line &l);
    void fourDecimalValue(const Line &l);
    void reverse(const Line &l);
    void localOffset(const Line &l);
    void unlock(const Line &l);
    void filterSettings(const Line &l);
    void specificGravitySet(const Line &l);
    void specificGravityQuery(const Line &l);
    void calibrationValue(const Line &l);

    // rotary family
    void rotary(Line &l);

    // measurements
    void measurementStart(const Line &l, bool setPoint);
    void concurrentStart(const Line &l);
    bool noValues(const Line &l);
    void levelData(const Line &l);
    void fileLevelData(int tab, const QString &first, const QString &second);
    void rotaryData(const Line &l);

    Console &m;
    // The number of values the last start answer announced ("atttn"), and
    // the first value of a reading whose second is asked for with aD1!.
    int m_valuesDue = 0;
    int m_firstValueTab = -1;
    QString m_firstValue;
};
