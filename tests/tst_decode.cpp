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
    void numbers();
    void answerPositions();
    void fieldDecoders();
    void entryRules();
    void settingsFile();
    void portLabels();
    void crcCharacters();
};

void TestDecode::numbers()
{
    const std::tuple<double, int, double> rounds[] = {
        {1.23456, 4, 1.2346}, {-1.5, 0, -1.0}, {-2.5, 0, -2.0}, {2.5, 0, 3.0}, {1.0 / 1.25, 6, 0.8}};
    for (const auto &[value, digits, rounded] : rounds)
        QCOMPARE(values::RoundIt(value, digits), rounded);
    const std::pair<double, const char *> four[] = {
        {12.5, "12.5000"}, {-0.25, "-0.2500"}, {-1.5, "-1.5000"}, {-0.00001, "0.0000"}};
    for (const auto &[value, text] : four)
        QCOMPARE(values::fourDecimals(value), QString(text));
    const std::pair<double, const char *> plain[] = {
        {0.8, "0.8"},   {values::RoundIt(1 / 0.97, 6), "1.030928"}, {10, "10"}, {-0.25, "-0.25"},
        {3 * 1 * 0.2, "0.6"}, {1.25, "1.25"}, {1e20, "100000000000000000000"}, {-1e-15, "0"},
        {123456.789, "123456.789"}, {100.0 / 3, "33.3333333333333"}};   // 15 significant digits
    for (const auto &[value, text] : plain)
        QCOMPARE(values::plainText(value), QString(text));
    const std::pair<const char *, double> read[] = {{"10 Seconds", 10.0}, {"+0.123", 0.123}, {"-1.5abc", -1.5},
                                                    {"abc", 0.0},        {"", 0.0},         {".", 0.0},
                                                    {"1.5e3x", 1500.0},  {"1.5e", 1.5}};
    for (const auto &[text, value] : read)
        QCOMPARE(values::Val(text), value);
    for (const char *bad : {"", "1.2.3", "12x"})
        QVERIFY2(!values::strictNumber(bad), bad);
    QCOMPARE(*values::strictNumber(" 12.5 "), 12.5);
    // Distance per encoder count in each unit (any other: 0); none without counts.
    double r = 0;
    for (const auto &[unit, text] : {std::pair{1, "0.049"}, {0, "0.000"}, {2, "0.002"}}) {
        QVERIFY(values::measurementResolution(unit, 200, 1024, &r));
        QCOMPARE(QString::number(r, 'f', 3), QString(text));
    }
    QVERIFY(values::measurementResolution(-1, 200, 1024, &r));
    QCOMPARE(r, 0.0);
    QVERIFY(!values::measurementResolution(1, 200, 0, &r));
}

void TestDecode::answerPositions()
{
    Answer a("0XRA!0+12.5");
    QCOMPARE(a.P(), 5);
    QCOMPARE(*a.field(0), QChar('0'));
    QCOMPARE(a.signedValue(), QString("12.5"));
    QCOMPARE(a.afterBang(), 6);
    QCOMPARE(a.afterAddress(), QString("+12.5"));
    // Positions count from 1; outside the text there is nothing.
    QCOMPARE(a.mid(1, 3) + a.mid(11, 5) + a.from(0), QString("0XR5") + "0XRA!0+12.5");
    QCOMPARE(a.mid(0, 3) + a.mid(12, 1) + a.mid(2, -1) + a.from(12), QString());
    QCOMPARE(Answer("0XRA!0-0.25").signedValue(), QString("-0.25"));
    QCOMPARE(Answer("0XRA+3!03.5").signedValue(), QString(".5"));   // a "+" in the echo shifts every value
    // The specific-gravity set answer carries "0," before the value.
    QCOMPARE(Answer("3XU0,0.8!30,+0.8").signedValue(2), QString("0.8"));
    QCOMPARE(Answer("3XU0,0.8!30,0.8").signedValue(2), QString("0.8"));
    // Digits: beyond the end fails, a non-digit reads 0.
    Answer d("0XUT!0x");
    QCOMPARE(*d.digit(1), 0);
    QVERIFY(!d.digit(2));
    // The address query and change use the last "!".
    Answer q("?!3", Answer::LastBang);
    QCOMPARE(*q.field(0), QChar('3'));
    Answer c("3A6!6", Answer::LastBang);
    QCOMPARE(*c.at(c.P() - 3), QChar('3'));
    QCOMPARE(*c.at(c.P() - 1), QChar('6'));
    QVERIFY(!Answer("garbage").hasBang());
    // Rotary answers may repeat the command's letters after the address.
    for (const char *text : {"0XMU!02", "0XMU!0XMU2"}) {
        Answer r(text);
        r.skipRepeatedLetters("XMU");
        QCOMPARE(*r.digit(1), 2);
    }
    Answer w("0XCP!0XCP200");
    w.skipRepeatedLetters("XCP");
    QCOMPARE(w.from(w.P() + 2), QString("200"));
}

void TestDecode::fieldDecoders()
{
    QCOMPARE(decoders::identificationLines(Answer("0I!013ORVANE  LT-Q5 102SN99")),
             (QStringList{"SDI Version = 1.3", "Company Name = ORVANE  ", "Sensor Model = LT-Q5 ",
                          "Sensor Version = 102"}));
    QCOMPARE(decoders::identificationLines(Answer("0I!013ORV")),
             (QStringList{"SDI Version = 1.3", "Company Name = ORV", "Sensor Model = ", "Sensor Version = "}));
    const std::pair<const char *, int> units[] = {{"3XUP12!312", 12}, {"3XUP!33", 3}, {"3XUP!3123", 0}, {"3XUP!3", 0}};
    for (const auto &[answer, code] : units)
        QCOMPARE(decoders::pressureUnitCode(Answer(answer)), code);
    auto f = decoders::filter(Answer("0XF!0,10,0005"));
    QCOMPARE(*f.readings, 10);
    QCOMPARE(*f.interval, 5);
    f = decoders::filter(Answer("0XF!0,05,00"));
    QCOMPARE(*f.readings, 5);
    QVERIFY(!f.interval);
    for (const auto &[rate, text] : {std::pair{"1", "1 Second"}, {"10", "10 Seconds"}, {"0.2", "0.2 Seconds"}})
        QCOMPARE(decoders::sampleRateText(rate), QString(text));
    // Level data: the first two values, each whole; more than two are ignored.
    const std::tuple<const char *, const char *, const char *> splits[] = {
        {"+1.234+22.50", "1.234", "22.50"}, {"-0.010+21.0", "-0.010", "21.0"}, {"+1.234-3.5", "1.234", "-3.5"},
        {"+1.234", "1.234", ""},            {"", "", ""},                      {"+1.2-3.4+5.6", "1.2", "-3.4"},
        {"-1.2+3.4-5.6+7", "-1.2", "3.4"},  {"7+21.5", "7", "21.5"}};   // the last: a first value without its sign
    for (const auto &[data, first, second] : splits) {
        const auto d = decoders::splitLevelData(data);
        QCOMPARE(d.first, QString(first));
        QCOMPARE(d.second, QString(second));
    }
    QCOMPARE(decoders::dropPlus("+123.4"), QString("123.4"));
    QCOMPARE(decoders::dropPlus("-5.0"), QString("-5.0"));
}

void TestDecode::entryRules()
{
    using entry::Verdict;
    // Keys typed one by one: those refused are not added (and beep).
    const std::tuple<const char *, bool, const char *, int> typing[] = {
        {"1.2.3", false, "1.23", 1}, {"5-", true, "5-", 0}, {"--1", true, "-1", 1}, {"-9", false, "9", 1}};
    for (const auto &[keys, minus, typed, refusals] : typing) {
        QString text;
        int refused = 0;
        for (QChar k : QString(keys)) {
            if (entry::filterKey(text, k, minus) == Verdict::Accept)
                text += k;
            else
                ++refused;
        }
        QCOMPARE(text, QString(typed));
        QCOMPARE(refused, refusals);
    }
    QCOMPARE(entry::filterKey("1.5", '.', true), Verdict::Refuse);
    QCOMPARE(entry::filterKey("15", QChar(8), false), Verdict::Accept);
    QCOMPARE(entry::filterKey("15", QChar(0x16), false), Verdict::Refuse);   // Ctrl+V
    QCOMPARE(entry::leadingPointRepair(".5"), QString("0.5"));
    QCOMPARE(entry::leadingPointRepair("-.5"), QString("-.5"));
}

// Writing the settings file changes bytes 0-9 only; a file that cannot be written says why.
void TestDecode::settingsFile()
{
    QTemporaryDir dir;
    const QString twelve = dir.filePath("twelve.cfg");
    QFile f(twelve);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(12, '\x77')) == 12);
    f.close();
    const SysDataRecord w{5, 20, 15, 200, 400};
    QString error;
    QVERIFY(sysdata::write(twelve, w, &error));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray::fromHex("0500" "1400" "0F00" "C800" "9001" "7777"));
    QVERIFY(!sysdata::write(dir.filePath("no/such/dir/x.cfg"), w, &error));
    QVERIFY(!error.isEmpty());
}

void TestDecode::portLabels()
{
    auto menu = ports::labelMenu({"Communications Port (COM1)", "USB Serial Device (COM10)"});
    QCOMPARE(menu[0].caption, QString("COM1 - Communications Port (COM1)"));
    QCOMPARE(menu[9].caption, QString("COM10 - USB Serial Device (COM10)"));
    QCOMPARE(menu[2].caption, QString("COM3"));
    QVERIFY(menu[0].enabled && menu[9].enabled);
    QCOMPARE(int(std::count_if(menu.begin(), menu.end(), [](const auto &e) { return e.enabled; })), 2);
    // A name with "COM" but no port takes a slot and labels nothing.
    menu = ports::labelMenu({"COMPORT thing", "Modem"});
    QVERIFY(std::none_of(menu.begin(), menu.end(), [](const auto &e) { return e.enabled; }));

    // Linked entries keep their numbers; devices take the lowest free ones by device path.
    const PortCatalogue cat = ports::numberDevices({{1, "/dev/pts/7"}},
                                                   {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyS0", ""}});
    QCOMPARE(cat.devices, (QMap<int, QString>{{1, "/dev/pts/7"}, {2, "/dev/ttyS0"}, {3, "/dev/ttyUSB0"}}));
    QVERIFY(cat.names.contains("FT232R USB UART /dev/ttyUSB0 (COM3)"));
    QVERIFY(cat.names.contains("Serial Port /dev/ttyS0 (COM2)"));
    QCOMPARE(ports::labelMenu(cat.names)[2].caption, QString("COM3 - FT232R USB UART /dev/ttyUSB0 (COM3)"));
    // Sixteen numbers in all: a link keeps COM16, and the devices past the last free number are not listed.
    QMap<QString, QString> many;
    for (int i = 10; i < 27; ++i)
        many.insert(QString("/dev/ttyUSB%1").arg(i), "");
    const PortCatalogue full = ports::numberDevices({{16, "/dev/pts/3"}}, many);
    QCOMPARE(std::tuple(full.devices.size(), full.devices.value(15), full.devices.value(16)),
             std::tuple(16, QString("/dev/ttyUSB24"), QString("/dev/pts/3")));

    // A device come back is found by its port link, else by serial number with vendor and product,
    // else at its path with the same (or no) vendor and product; one with a link is never taken by path.
    PortCatalogue now;
    now.identities = {{1, {3, "", -1, -1, "/dev/pts/9"}}, {2, {0, "A1", 0x403, 0x6001, "/dev/ttyUSB1"}},
                      {3, {0, "", 0x1a86, 0x7523, "/dev/ttyUSB0"}}, {4, {0, "", -1, -1, "/dev/ttyS0"}}};
    const std::pair<PortIdentity, int> lookups[] = {
        {{3, "", -1, -1, "/dev/pts/2"}, 1},        {{5, "", -1, -1, "/dev/pts/9"}, 0},
        {{0, "A1", 0x403, 0x6001, "/dev/ttyUSB7"}, 2}, {{0, "A1", 0x403, 0x6002, "/dev/ttyUSB1"}, 0},
        {{0, "A1", 0x404, 0x6001, "/dev/ttyUSB1"}, 0}, {{0, "B2", 0x403, 0x6001, "/dev/ttyUSB1"}, 0},
        {{0, "", 0x1a86, 0x7523, "/dev/ttyUSB0"}, 3},  {{0, "", 0x1a86, 0x7524, "/dev/ttyUSB0"}, 0},
        {{0, "", 0x1a87, 0x7523, "/dev/ttyUSB0"}, 0},  {{0, "", -1, -1, "/dev/ttyUSB0"}, 3},
        {{0, "", -1, -1, "/dev/ttyS0"}, 4},            {{0, "", -1, -1, "/dev/pts/9"}, 0},
        {{0, "", -1, -1, ""}, 0},
    };
    for (const auto &[lost, com] : lookups)
        QCOMPARE(now.find(lost), com);
    // What the system says of each device fills its identity, found at its path or (Windows) port name; a port
    // link keeps its own, and a vendor without a product is no identity.
    now.identities[4].path = "COM4";
    ports::identify(now, {{"/dev/pts/9", "pts9", "Z9", 1, 2}, {"/dev/ttyUSB1", "ttyUSB1", "A2", 0x403, -1},
                          {"\\\\.\\COM4", "COM4", "S0", 0x10c4, 0xea60}});
    QStringList identified;
    for (const PortIdentity &id : std::as_const(now.identities))
        identified << QString("%1 %2 %3:%4").arg(id.link).arg(id.serialNumber).arg(id.vendor).arg(id.product);
    QCOMPARE(identified, (QStringList{"3  -1:-1", "0 A2 1027:24577", "0  6790:29987", "0 S0 4292:60000"}));

#ifdef Q_OS_UNIX
    // Port links: made in the port directory or refused with the reason; removed only for the device they name.
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("ports");
    QString error;
    QVERIFY(portdir::registerPort(2, "/dev/null", &error, "/dev/null/ports").isEmpty());
    QCOMPARE(error, QString("cannot create /dev/null/ports"));
    QCOMPARE(portdir::registerPort(2, "/dev/null", &error, dir), dir + "/COM2");
    QCOMPARE(portdir::registerPort(16, "/dev/zero", &error, dir), dir + "/COM16");   // the last there is
    QCOMPARE(portdir::linkedPorts(dir), (QMap<int, QString>{{2, "/dev/null"}, {16, "/dev/zero"}}));
    portdir::unregisterPort(16, "/dev/zero", dir);
    portdir::unregisterPort(2, "/dev/zero", dir);
    QCOMPARE(portdir::linkedPorts(dir).size(), 1);
    portdir::unregisterPort(2, "/dev/null", dir);
    QVERIFY(portdir::linkedPorts(dir).isEmpty());
    // A device the system lists that a port link names already, by its path or through a link, is not listed again.
    QVERIFY(QFile::link("/dev/null", tmp.filePath("ttyLINK")));
    QCOMPARE(ports::numberDevices({{4, tmp.filePath("ttyLINK")}, {5, "/dev/zero"}}, {{"/dev/null", ""}, {"/dev/zero", ""}})
                 .devices.size(), 2);
#endif
}

// The CRC of an answer: the known "0+3.14" -> "OqZ", the ends of the character range, the received check.
void TestDecode::crcCharacters()
{
    QCOMPARE(crc::crc16("0+3.14"), quint16(0xFC5A));
    QCOMPARE(crc::crc16(""), quint16(0));
    QCOMPARE(crc::encode(0xFC5A), QByteArray("OqZ"));
    QCOMPARE(crc::encode(0x0000), QByteArray("@@@"));
    QCOMPARE(crc::encode(0xFFFF), QByteArray("O\x7F\x7F"));
    QCOMPARE(crc::withCrc("0+3.14"), QByteArray("0+3.14OqZ"));
    // Rows: two digits swapped, the address alone, too short, no CRC characters, characters out of range, the
    // highest character.
    const std::tuple<QByteArray, bool, bool, QByteArray, QByteArray> checks[] = {
        {"0+3.14OqZ\r\n", true, true, "OqZ", "OqZ"}, {"0+3.14OqZ", true, true, "OqZ", "OqZ"},
        {"0+3.41OqZ\r\n", true, false, "OqZ", "J~Y"}, {"0AP@", true, true, "AP@", "AP@"},
        {"0OqY", true, false, "OqY", "AP@"},          {"OqZ\r\n", false, false, "", ""},
        {"0+3.14\r\n", false, false, "", ""},         {"0+3.1?qZ", false, false, "", ""},
        {"0+3.1\x80qZ", false, false, "", ""},         {"", false, false, "", ""},
        {"0+12.09G\x7Fq\r\n", true, true, "G\x7Fq", "G\x7Fq"}};   // DEL, the highest CRC character
    for (const auto &[answer, present, correct, sent, expected] : checks) {
        const crc::Check r = crc::check(answer);
        QVERIFY2(r.present == present && r.correct == correct, answer.toPercentEncoding().constData());
        QCOMPARE(r.sent, sent);
        QCOMPARE(r.expected, expected);
    }
}

QTEST_GUILESS_MAIN(TestDecode)
#include "tst_decode.moc"
