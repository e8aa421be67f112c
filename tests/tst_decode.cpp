#include "decode/Answer.h"
#include "decode/Crc.h"
#include "decode/Decoders.h"
#include "decode/Values.h"
#include "discovery/SysData.h"
#include "link/PortCatalogue.h"
#include "link/PortDirectory.h"
#include "params/EntryRules.h"

#include <QTemporaryDir>
#include <QTest>

class TestDecode : public QObject
{
    Q_OBJECT
private slots:
    void rounding();
    void numberTexts();
    void answerPositions();
    void identification();
    void pressureUnitCode();
    void filterAnswer();
    void levelDataSplit();
    void rotaryLetters();
    void resolution();
    void entryRules();
    void settingsFile();
    void portLabels();
    void crcCharacters();
};

void TestDecode::rounding()
{
    QCOMPARE(values::RoundIt(1.23456, 4), 1.2346);
    QCOMPARE(values::RoundIt(-1.5, 0), -1.0);
    QCOMPARE(values::RoundIt(-2.5, 0), -2.0);
    QCOMPARE(values::RoundIt(2.5, 0), 3.0);
    QCOMPARE(values::RoundIt(1.0 / 1.25, 6), 0.8);
}

void TestDecode::numberTexts()
{
    QCOMPARE(values::fourDecimals(12.5), QString("12.5000"));
    QCOMPARE(values::fourDecimals(-0.25), QString("-0.2500"));
    QCOMPARE(values::fourDecimals(-1.5), QString("-1.5000"));
    QCOMPARE(values::fourDecimals(-0.00001), QString("0.0000"));
    QCOMPARE(values::plainText(0.8), QString("0.8"));
    QCOMPARE(values::plainText(values::RoundIt(1 / 0.97, 6)), QString("1.030928"));
    QCOMPARE(values::plainText(10), QString("10"));
    QCOMPARE(values::plainText(-0.25), QString("-0.25"));
    QCOMPARE(values::plainText(3 * 1 * 0.2), QString("0.6"));
    QCOMPARE(values::plainText(1.25), QString("1.25"));
    QCOMPARE(values::plainText(1e20), QString("100000000000000000000"));
    QCOMPARE(values::plainText(-1e-15), QString("0"));
    QCOMPARE(values::plainText(123456.789), QString("123456.789"));
    QCOMPARE(values::Val("10 Seconds"), 10.0);
    QCOMPARE(values::Val("+0.123"), 0.123);
    QCOMPARE(values::Val("-1.5abc"), -1.5);
    QCOMPARE(values::Val("abc"), 0.0);
    QCOMPARE(values::Val(""), 0.0);
    QCOMPARE(values::Val("."), 0.0);
    QCOMPARE(values::Val("1.5e3x"), 1500.0);
    QCOMPARE(values::Val("1.5e"), 1.5);
    QVERIFY(!values::strictNumber(""));
    QVERIFY(!values::strictNumber("1.2.3"));
    QVERIFY(!values::strictNumber("12x"));
    QCOMPARE(*values::strictNumber(" 12.5 "), 12.5);
}

void TestDecode::answerPositions()
{
    Answer a("0XRA!0+12.5");
    QCOMPARE(a.P(), 5);
    QCOMPARE(*a.field(0), QChar('0'));
    QCOMPARE(a.signedValue(), QString("12.5"));
    QCOMPARE(Answer("0XRA!0-0.25").signedValue(), QString("-0.25"));
    // A "+" in the echo moves every value one position on.
    QCOMPARE(Answer("0XRA+3!03.5").signedValue(), QString(".5"));
    // The specific-gravity set answer carries "0," before the value.
    QCOMPARE(Answer("3XU0,0.8!30,+0.8").signedValue(2), QString("0.8"));
    QCOMPARE(Answer("3XU0,0.8!30,0.8").signedValue(2), QString("0.8"));
    QCOMPARE(a.afterBang(), 6);
    QCOMPARE(a.afterAddress(), QString("+12.5"));
    // Digits: beyond the end fails, a non-digit reads 0.
    Answer d("0XUT!0x");
    QCOMPARE(*d.digit(1), 0);
    QVERIFY(!d.digit(2));
    QCOMPARE(*Answer("0M!00123").threeDigits(1), 12);
    QVERIFY(!Answer("0M!001").threeDigits(1));
    // The address query and change use the last "!".
    Answer q("?!3", Answer::LastBang);
    QCOMPARE(*q.field(0), QChar('3'));
    Answer c("3A6!6", Answer::LastBang);
    QCOMPARE(*c.at(c.P() - 3), QChar('3'));
    QCOMPARE(*c.at(c.P() - 1), QChar('6'));
    QVERIFY(!Answer("garbage").hasBang());
}

void TestDecode::identification()
{
    const QStringList lines = decoders::identificationLines(Answer("0I!013ORVANE  LT-Q5 102SN99"));
    QCOMPARE(lines, (QStringList{"SDI Version = 1.3", "Company Name = ORVANE  ", "Sensor Model = LT-Q5 ",
                                 "Sensor Version = 102"}));
    const QStringList shortOne = decoders::identificationLines(Answer("0I!013ORV"));
    QCOMPARE(shortOne, (QStringList{"SDI Version = 1.3", "Company Name = ORV", "Sensor Model = ",
                                    "Sensor Version = "}));
}

void TestDecode::pressureUnitCode()
{
    QCOMPARE(decoders::pressureUnitCode(Answer("3XUP12!312")), 12);
    QCOMPARE(decoders::pressureUnitCode(Answer("3XUP!33")), 3);
    QCOMPARE(decoders::pressureUnitCode(Answer("3XUP!3123")), 0);
    QCOMPARE(decoders::pressureUnitCode(Answer("3XUP!3")), 0);
}

void TestDecode::filterAnswer()
{
    auto f = decoders::filter(Answer("0XF!0,10,0005"));
    QCOMPARE(*f.readings, 10);
    QCOMPARE(*f.interval, 5);
    f = decoders::filter(Answer("0XF!0,05,00"));
    QCOMPARE(*f.readings, 5);
    QVERIFY(!f.interval);
    QCOMPARE(decoders::sampleRateText("1"), QString("1 Second"));
    QCOMPARE(decoders::sampleRateText("10"), QString("10 Seconds"));
    QCOMPARE(decoders::sampleRateText("0.2"), QString("0.2 Seconds"));
}

void TestDecode::levelDataSplit()
{
    auto d = decoders::splitLevelData("+1.234+22.50");
    QCOMPARE(d.first, QString("1.234"));
    QCOMPARE(d.second, QString("22.50"));
    d = decoders::splitLevelData("-0.010+21.0");
    QCOMPARE(d.first, QString("-0.010"));
    QCOMPARE(d.second, QString("21.0"));
    d = decoders::splitLevelData("+1.234-3.5");
    QCOMPARE(d.first, QString("1.234"));
    QCOMPARE(d.second, QString("-3.5"));
    d = decoders::splitLevelData("+1.234");
    QCOMPARE(d.first, QString("1.234"));
    QCOMPARE(d.second, QString());
    d = decoders::splitLevelData("");
    QCOMPARE(d.first, QString());
    // More values than two: the first two, each whole.
    d = decoders::splitLevelData("+1.2-3.4+5.6");
    QCOMPARE(d.first, QString("1.2"));
    QCOMPARE(d.second, QString("-3.4"));
    d = decoders::splitLevelData("-1.2+3.4-5.6+7");
    QCOMPARE(d.first, QString("-1.2"));
    QCOMPARE(d.second, QString("3.4"));
    QCOMPARE(decoders::dropPlus("+123.4"), QString("123.4"));
    QCOMPARE(decoders::dropPlus("-5.0"), QString("-5.0"));
}

void TestDecode::rotaryLetters()
{
    Answer plain("0XMU!02");
    plain.skipRepeatedLetters("XMU");
    QCOMPARE(*plain.digit(1), 2);
    Answer repeated("0XMU!0XMU2");
    repeated.skipRepeatedLetters("XMU");
    QCOMPARE(*repeated.digit(1), 2);
    Answer w("0XCP!0XCP200");
    w.skipRepeatedLetters("XCP");
    QCOMPARE(w.from(w.P() + 2), QString("200"));
}

void TestDecode::resolution()
{
    double r = 0;
    QVERIFY(values::measurementResolution(1, 200, 1024, &r));
    QCOMPARE(QString::number(r, 'f', 3), QString("0.049"));
    QVERIFY(values::measurementResolution(0, 200, 1024, &r));
    QCOMPARE(QString::number(r, 'f', 3), QString("0.000"));
    QVERIFY(values::measurementResolution(2, 200, 1024, &r));
    QCOMPARE(QString::number(r, 'f', 3), QString("0.002"));
    QVERIFY(values::measurementResolution(-1, 200, 1024, &r));
    QCOMPARE(r, 0.0);
    QVERIFY(!values::measurementResolution(1, 200, 0, &r));
}

void TestDecode::entryRules()
{
    using entry::Verdict;
    auto type = [](const QString &keys, bool minus, int *refused) {
        QString text;
        for (QChar k : keys) {
            if (entry::filterKey(text, k, minus) == Verdict::Accept)
                text += k;
            else
                ++*refused;
        }
        return text;
    };
    int beeps = 0;
    QCOMPARE(type("1.2.3", false, &beeps), QString("1.23"));
    QCOMPARE(beeps, 1);
    beeps = 0;
    QCOMPARE(type("5-", true, &beeps), QString("5-"));
    QCOMPARE(type("--1", true, &beeps), QString("-1"));
    QCOMPARE(beeps, 1);
    beeps = 0;
    QCOMPARE(type("-9", false, &beeps), QString("9"));
    QCOMPARE(beeps, 1);
    QCOMPARE(entry::filterKey("1.5", '.', true), Verdict::Refuse);
    QCOMPARE(entry::filterKey("15", QChar(8), false), Verdict::Accept);
    QCOMPARE(entry::filterKey("15", QChar(0x16), false), Verdict::Refuse);   // Ctrl+V
    QCOMPARE(entry::leadingPointRepair(".5"), QString("0.5"));
    QCOMPARE(entry::leadingPointRepair("-.5"), QString("-.5"));
}

void TestDecode::settingsFile()
{
    QTemporaryDir dir;
    // Writing changes bytes 0-9 only.
    const QString twelve = dir.filePath("twelve.cfg");
    {
        QFile f(twelve);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(12, '\x77'));
    }
    SysDataRecord w;
    w.port = 5;
    w.breakMs = 20;
    w.markMs = 15;
    w.dataTimeoutMs = 200;
    w.commandTimeoutMs = 400;
    QString error;
    QVERIFY(sysdata::write(twelve, w, &error));
    QFile f(twelve);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray::fromHex("0500" "1400" "0F00" "C800" "9001" "7777"));

    // A file that cannot be written says why.
    QVERIFY(!sysdata::write(dir.filePath("no/such/dir/x.cfg"), w, &error));
    QVERIFY(!error.isEmpty());
}

void TestDecode::portLabels()
{
    auto menu = ports::labelMenu({"Communications Port (COM1)", "USB Serial Device (COM10)"});
    QCOMPARE(menu[0].caption, QString("COM1 - Communications Port (COM1)"));
    QVERIFY(menu[0].enabled);
    QCOMPARE(menu[9].caption, QString("COM10 - USB Serial Device (COM10)"));
    int enabled = 0;
    for (const auto &e : menu)
        enabled += e.enabled;
    QCOMPARE(enabled, 2);
    QCOMPARE(menu[2].caption, QString("COM3"));

    // A name with "COM" but no port takes a slot and labels nothing.
    menu = ports::labelMenu({"COMPORT thing", "Modem"});
    for (const auto &e : menu)
        QVERIFY(!e.enabled);

    // Numbering: linked entries keep theirs; devices take the lowest free
    // numbers by device path.
    const PortCatalogue cat = ports::numberDevices({{1, "/dev/pts/7"}},
                                                   {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyS0", ""}});
    QCOMPARE(cat.devices.value(1), QString("/dev/pts/7"));
    QCOMPARE(cat.devices.value(2), QString("/dev/ttyS0"));
    QCOMPARE(cat.devices.value(3), QString("/dev/ttyUSB0"));
    QVERIFY(cat.names.contains("FT232R USB UART /dev/ttyUSB0 (COM3)"));
    QVERIFY(cat.names.contains("Serial Port /dev/ttyS0 (COM2)"));
    QCOMPARE(ports::labelMenu(cat.names)[2].caption, QString("COM3 - FT232R USB UART /dev/ttyUSB0 (COM3)"));

    // A device come back is found by its port link, else by serial number
    // with vendor and product, else at its path with the same (or no) vendor
    // and product; a device with a link is never taken by path.
    auto id = [](int link, const char *serial, int vendor, int product, const char *path) {
        PortIdentity i;
        i.link = link;
        i.serialNumber = serial;
        i.vendor = vendor;
        i.product = product;
        i.path = path;
        return i;
    };
    PortCatalogue now;
    now.identities = {{1, id(3, "", -1, -1, "/dev/pts/9")}, {2, id(0, "A1", 0x403, 0x6001, "/dev/ttyUSB1")},
                      {3, id(0, "", 0x1a86, 0x7523, "/dev/ttyUSB0")}, {4, id(0, "", -1, -1, "/dev/ttyS0")}};
    const std::pair<PortIdentity, int> lookups[] = {
        {id(3, "", -1, -1, "/dev/pts/2"), 1},        {id(5, "", -1, -1, "/dev/pts/9"), 0},
        {id(0, "A1", 0x403, 0x6001, "/dev/ttyUSB7"), 2}, {id(0, "A1", 0x403, 0x6002, "/dev/ttyUSB1"), 0},
        {id(0, "A1", 0x404, 0x6001, "/dev/ttyUSB1"), 0}, {id(0, "B2", 0x403, 0x6001, "/dev/ttyUSB1"), 0},
        {id(0, "", 0x1a86, 0x7523, "/dev/ttyUSB0"), 3},  {id(0, "", 0x1a86, 0x7524, "/dev/ttyUSB0"), 0},
        {id(0, "", 0x1a87, 0x7523, "/dev/ttyUSB0"), 0},  {id(0, "", -1, -1, "/dev/ttyUSB0"), 3},
        {id(0, "", -1, -1, "/dev/ttyS0"), 4},            {id(0, "", -1, -1, "/dev/pts/9"), 0},
        {id(0, "", -1, -1, ""), 0},
    };
    for (const auto &[lost, com] : lookups)
        QCOMPARE(now.find(lost), com);

#ifdef Q_OS_UNIX
    // Port links: made in the port directory or refused with the reason, and
    // removed only for the device they name.
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("ports");
    QString error;
    QVERIFY(portdir::registerPort(2, "/dev/null", &error, "/dev/null/ports").isEmpty());
    QCOMPARE(error, QString("cannot create /dev/null/ports"));
    QCOMPARE(portdir::registerPort(2, "/dev/null", &error, dir), dir + "/COM2");
    QCOMPARE(portdir::linkedPorts(dir), (QMap<int, QString>{{2, "/dev/null"}}));
    portdir::unregisterPort(2, "/dev/zero", dir);
    QCOMPARE(portdir::linkedPorts(dir).size(), 1);
    portdir::unregisterPort(2, "/dev/null", dir);
    QVERIFY(portdir::linkedPorts(dir).isEmpty());
#endif
}

// The CRC of an answer: the known "0+3.14" -> "OqZ", the three characters
// at the ends of the range, and the check of a received answer.
void TestDecode::crcCharacters()
{
    QCOMPARE(crc::crc16("0+3.14"), quint16(0xFC5A));
    QCOMPARE(crc::crc16(""), quint16(0));
    QCOMPARE(crc::encode(0xFC5A), QByteArray("OqZ"));
    QCOMPARE(crc::encode(0x0000), QByteArray("@@@"));
    QCOMPARE(crc::encode(0xFFFF), QByteArray("O\x7F\x7F"));
    QCOMPARE(crc::withCrc("0+3.14"), QByteArray("0+3.14OqZ"));
    const struct {
        QByteArray answer;
        bool present, correct;
        QByteArray sent, expected;
    } checks[] = {
        {"0+3.14OqZ\r\n", true, true, "OqZ", "OqZ"},
        {"0+3.14OqZ", true, true, "OqZ", "OqZ"},
        {"0+3.41OqZ\r\n", true, false, "OqZ", "J~Y"},   // two digits swapped
        {"0AP@", true, true, "AP@", "AP@"},             // the address alone
        {"0OqY", true, false, "OqY", "AP@"},
        {"OqZ\r\n", false, false, "", ""},               // too short
        {"0+3.14\r\n", false, false, "", ""},            // no CRC characters
        {"0+3.1?qZ", false, false, "", ""},
        {"0+3.1\x80qZ", false, false, "", ""},
        {"", false, false, "", ""},
    };
    for (const auto &c : checks) {
        const crc::Check r = crc::check(c.answer);
        const QByteArray row = c.answer.toPercentEncoding();
        QVERIFY2(r.present == c.present && r.correct == c.correct, row.constData());
        QCOMPARE(r.sent, c.sent);
        QCOMPARE(r.expected, c.expected);
    }
}

QTEST_GUILESS_MAIN(TestDecode)
#include "tst_decode.moc"
