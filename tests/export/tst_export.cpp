#include "logging/LogStore.h"
#include "logging/SaveTarget.h"
#include "logging/export/Writers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <sys/stat.h>

namespace {
const QStringList kLevelHeader = {"Date", "Time", "Pressure", "Units", "Temperature", "Units"};
const QVector<ExportCell::Kind> kLevelKinds = {ExportCell::Date, ExportCell::Time, ExportCell::Number,
                                               ExportCell::Text, ExportCell::Number, ExportCell::Text};

LogStore threeRows()
{
    LogStore s;
    const char *times[] = {"10:00:01", "10:00:02", "10:00:03"};
    const char *pressures[] = {"+0.123", "-1.5", "abc"};
    for (int i = 0; i < 3; ++i) {
        LogRow r;
        r.date = "6/12/26";
        r.cells = {times[i], pressures[i], i == 2 ? "ft,H2O \"x\"" : "mH2O", "21.50", "Centigrade"};
        s.insertTop(r);
    }
    return s;
}

QJsonObject readBack(const QString &path, int limit = 50)
{
    QProcess p;
    p.start("/usr/bin/python3", {QStringLiteral(SDI12_READBACK), path, QString::number(limit)});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonArray cell(const QJsonObject &sheet, int r, int c)
{
    return sheet["cells"].toArray()[r].toArray()[c].toArray();
}

// Sets LC_NUMERIC to a locale with a decimal comma (de_DE or fr_FR; when
// none is installed, one built by localedef into a folder of its own) and
// checks that printf now writes "1,5". The writers must not follow it.
bool setDecimalComma()
{
    static QTemporaryDir store;
    static bool built = false;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name))
            break;
    if (!std::setlocale(LC_NUMERIC, nullptr) || QByteArray(std::localeconv()->decimal_point) != ",") {
        if (!built)
            built = QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", store.filePath("de_DE.UTF-8")}) == 0 ||
                    QFileInfo::exists(store.filePath("de_DE.UTF-8/LC_NUMERIC"));
        qputenv("LOCPATH", QFile::encodeName(store.path()));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    char printed[8];
    std::snprintf(printed, sizeof printed, "%g", 1.5);
    return QByteArray(printed) == "1,5";
}

// The numeric locale as it was, once the test ends.
auto restoreNumericLocale()
{
    return qScopeGuard([previous = QByteArray(std::setlocale(LC_NUMERIC, nullptr))] {
        std::setlocale(LC_NUMERIC, previous.constData());
        qunsetenv("LOCPATH");
    });
}

bool writeAs(const ExportGrid &g, const QString &path, const QString &format, QString *error)
{
    if (format == "xls")
        return exporter::writeXls(g, path, error);
    if (format == "xlsx")
        return exporter::writeXlsx(g, path, error);
    return exporter::writeCsv(g, path, error);
}
} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void grid();
    void csvBytes();
    void workbooksReadBack_data();
    void workbooksReadBack();
    void largeLogs();
    void failures();
    void saveNames();
    void fileModes_data();
    void fileModes();
    void sameFile_data();
    void sameFile();
};

void TestExport::grid()
{
    const ExportGrid g = exporter::buildLogGrid(kLevelHeader, kLevelKinds, threeRows(), "d/M/yy");
    QCOMPARE(g.columns, 6);
    QCOMPARE(g.rows.size(), 5);
    QCOMPARE(g.rows[0][4].text, QString("Temperature"));
    QVERIFY(g.rows[1].isEmpty());
    // newest first
    QCOMPARE(g.rows[2][1].time, QTime(10, 0, 3));
    QCOMPARE(g.rows[4][1].time, QTime(10, 0, 1));
    QCOMPARE(g.rows[2][0].kind, ExportCell::Date);
    QCOMPARE(g.rows[2][0].date, QDate(2026, 12, 6));
    QCOMPARE(g.rows[4][2].number, 0.123);
    QCOMPARE(g.rows[3][2].number, -1.5);
    QCOMPARE(g.rows[2][2].kind, ExportCell::Number);
    QCOMPARE(g.rows[2][2].number, 0.0);   // "abc"
    QCOMPARE(g.rows[2][3].kind, ExportCell::Text);
    // A date that does not read stays text.
    LogStore odd;
    LogRow r;
    r.date = "someday";
    r.cells = {"25:99:00", "1", "m", "", ""};
    odd.insertTop(r);
    const ExportGrid o = exporter::buildLogGrid(kLevelHeader, kLevelKinds, odd, "d/M/yy");
    QCOMPARE(o.rows[2][0].kind, ExportCell::Text);
    QCOMPARE(o.rows[2][1].kind, ExportCell::Text);
    QCOMPARE(exporter::excelDateFormat("d/M/yy"), QString("d/m/yy"));
    QCOMPARE(exporter::excelDateFormat("dd.MM.yyyy"), QString("dd.mm.yyyy"));
    QCOMPARE(exporter::excelDate(QDate(2026, 12, 6)), 46362.0);
    QCOMPARE(exporter::excelTime(QTime(12, 0, 0)), 0.5);
}

// The same bytes under a decimal-comma locale.
void TestExport::csvBytes()
{
    const auto restore = restoreNumericLocale();
    for (bool comma : {false, true}) {
        if (comma && !setDecimalComma())
            QSKIP("No decimal-comma locale can be set: neither de_DE nor fr_FR is installed, and localedef failed");
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QString error;
        QVERIFY(exporter::writeCsv(exporter::buildLogGrid(kLevelHeader, kLevelKinds, threeRows(), "d/M/yy"), path, &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Date,Time,Pressure,Units,Temperature,Units\r\n"
                                         "\r\n"
                                         "6/12/26,10:00:03,0,\"ft,H2O \"\"x\"\"\",21.5,Centigrade\r\n"
                                         "6/12/26,10:00:02,-1.5,mH2O,21.5,Centigrade\r\n"
                                         "6/12/26,10:00:01,0.123,mH2O,21.5,Centigrade\r\n"));
    }
}

void TestExport::workbooksReadBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("comma");   // under a decimal-comma locale
    QTest::newRow("xls") << "log.xls" << false;
    QTest::newRow("xlsx") << "log.xlsx" << false;
    QTest::newRow("xls, decimal comma") << "log.xls" << true;
    QTest::newRow("xlsx, decimal comma") << "log.xlsx" << true;
}

void TestExport::workbooksReadBack()
{
    QFETCH(QString, name);
    QFETCH(bool, comma);
    const auto restore = restoreNumericLocale();
    if (comma && !setDecimalComma())
        QSKIP("No decimal-comma locale can be set: neither de_DE nor fr_FR is installed, and localedef failed");
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const ExportGrid g = exporter::buildLogGrid(kLevelHeader, kLevelKinds, threeRows(), "d/M/yy");
    QString error;
    const bool ok = writeAs(g, path, name.section('.', 1), &error);
    QVERIFY2(ok, qPrintable(error));
    const QJsonObject book = readBack(path);
    QVERIFY2(book.contains("sheets"), "xlrd cannot read the file");
    QCOMPARE(book["commaNumbers"].toArray(), QJsonArray());   // no "1,5" in cells, widths or margins
    const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
    QCOMPARE(sheet["nrows"].toInt(), 5);
    QCOMPARE(sheet["ncols"].toInt(), 6);
    for (int c = 0; c < 6; ++c) {
        QCOMPARE(cell(sheet, 0, c)[0].toString(), QString("text"));
        QCOMPARE(cell(sheet, 0, c)[1].toString(), kLevelHeader[c]);
        QVERIFY(cell(sheet, 1, c)[0].toString() != "text");
    }
    QCOMPARE(cell(sheet, 2, 0)[0].toString(), QString("date"));
    QCOMPARE(cell(sheet, 2, 0)[1].toArray(), (QJsonArray{2026, 12, 6, 0, 0, 0}));
    QCOMPARE(cell(sheet, 2, 1)[0].toString(), QString("date"));
    QCOMPARE(cell(sheet, 2, 1)[1].toArray(), (QJsonArray{0, 0, 0, 10, 0, 3}));
    QCOMPARE(cell(sheet, 4, 2)[0].toString(), QString("number"));
    QCOMPARE(cell(sheet, 4, 2)[1].toDouble(), 0.123);
    QCOMPARE(cell(sheet, 3, 2)[1].toDouble(), -1.5);
    QCOMPARE(cell(sheet, 2, 2)[1].toDouble(), 0.0);
    QCOMPARE(cell(sheet, 2, 3)[0].toString(), QString("text"));
    QCOMPARE(cell(sheet, 2, 3)[1].toString(), QString("ft,H2O \"x\""));
    QCOMPARE(cell(sheet, 3, 4)[1].toDouble(), 21.5);
    QCOMPARE(cell(sheet, 4, 5)[1].toString(), QString("Centigrade"));
    if (name.endsWith(".xls")) {
        // Column widths follow the widest text; every cell is centred.
        const QJsonObject widths = sheet["widths"].toObject();
        QCOMPARE(widths.size(), 6);
        QCOMPARE(widths["4"].toInt(), (11 + 2) * 256);   // "Temperature"
        QCOMPARE(widths["3"].toInt(), (10 + 2) * 256);   // ft,H2O "x"
        for (const auto &row : sheet["centred"].toArray())
            for (const auto &c : row.toArray())
                QVERIFY(c.toBool());
    }
}

void TestExport::largeLogs()
{
    QTemporaryDir dir;
    LogStore s;
    for (int i = 0; i < 100000; ++i) {
        LogRow r;
        r.date = "6/12/26";
        r.cells = {"10:00:00", QString::number(i), "mH2O", "21.5", "Centigrade"};
        s.insertTop(std::move(r));
    }
    const ExportGrid g = exporter::buildLogGrid(kLevelHeader, kLevelKinds, s, "d/M/yy");
    QString error;
    int calls = 0;
    const ExportProgress progress = [&calls](int, int) { return ++calls > 0; };
    QVERIFY(exporter::writeXls(g, dir.filePath("big.xls"), &error, progress));
    QVERIFY(calls > 10);
    QVERIFY(exporter::writeXlsx(g, dir.filePath("big.xlsx"), &error));
    QVERIFY(exporter::writeCsv(g, dir.filePath("big.csv"), &error));

    // A sheet holds 65,536 rows: the rest continue on a second sheet.
    const QJsonArray xls = readBack(dir.filePath("big.xls"), 3)["sheets"].toArray();
    QCOMPARE(xls.size(), 2);
    QCOMPARE(xls[0].toObject()["nrows"].toInt(), 65536);
    QCOMPARE(xls[1].toObject()["nrows"].toInt(), 100000 - exporter::kXlsRowsPerSheet + 2);
    QCOMPARE(cell(xls[1].toObject(), 0, 0)[1].toString(), QString("Date"));
    QCOMPARE(cell(xls[0].toObject(), 2, 2)[1].toDouble(), 99999.0);
    QCOMPARE(cell(xls[1].toObject(), 2, 2)[1].toDouble(), double(99999 - exporter::kXlsRowsPerSheet));
    const QJsonArray xlsx = readBack(dir.filePath("big.xlsx"), 3)["sheets"].toArray();
    QCOMPARE(xlsx[0].toObject()["nrows"].toInt(), 100002);

    // Cancelling through the progress callback fails and leaves no file.
    const ExportProgress cancel = [](int done, int) { return done < 10000; };
    QVERIFY(!exporter::writeXls(g, dir.filePath("cancel.xls"), &error, cancel));
    QCOMPARE(error, QString("cancelled"));
    QVERIFY(!QFile::exists(dir.filePath("cancel.xls")));
}

void TestExport::failures()
{
    QTemporaryDir dir;
    const ExportGrid g = exporter::buildLogGrid(kLevelHeader, kLevelKinds, threeRows(), "d/M/yy");
    const QString missing = dir.filePath("no/such/folder/log");
    QString error;
    QVERIFY(!exporter::writeXls(g, missing + ".xls", &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!exporter::writeXlsx(g, missing + ".xlsx", &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!exporter::writeCsv(g, missing + ".csv", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QDir(dir.filePath("no")).exists());
    // A full disk: /dev/full takes no bytes.
    if (QFile::exists("/dev/full")) {
        error.clear();
        QVERIFY(!exporter::writeCsv(g, "/dev/full", &error));
        QVERIFY(!error.isEmpty());
    }
}

void TestExport::saveNames()
{
    QCOMPARE(savetarget::saveName("/data/run.data.xls", 2), QString("/data/run.data.xlsx"));
    QCOMPARE(savetarget::saveName("/data/log", 3), QString("/data/log.csv"));
    QCOMPARE(savetarget::saveName("/data/old.csv", 1), QString("/data/old.xls"));
    // A "." in a folder name is never cut.
    QCOMPARE(savetarget::saveName("/data/v1.2/log", 1), QString("/data/v1.2/log.xls"));
    QCOMPARE(savetarget::saveName("/data/log", 4), QString());
    QTemporaryDir dir;
    const QString target = dir.filePath("a.csv");
    const QString temp = savetarget::temporaryName(target);
    QCOMPARE(QFileInfo(temp).absolutePath(), QFileInfo(target).absolutePath());
    QFile(temp).open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(savetarget::replace(temp, target, &error));
    QVERIFY(QFile::exists(target) && !QFile::exists(temp));
}

// A new export is as open as any new file of the user; a replaced file
// keeps its permissions.
void TestExport::fileModes_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("existing");   // -1: no file yet
    QTest::addColumn<int>("expected");
    QTest::newRow("new csv, umask 022") << "csv" << 022 << -1 << 0644;
    QTest::newRow("new xlsx, umask 022") << "xlsx" << 022 << -1 << 0644;
    QTest::newRow("new xls, umask 027") << "xls" << 027 << -1 << 0640;
    QTest::newRow("csv over 0640") << "csv" << 022 << 0640 << 0640;
    QTest::newRow("xlsx over 0664") << "xlsx" << 022 << 0664 << 0664;
    QTest::newRow("xls over 0604, umask 077") << "xls" << 077 << 0604 << 0604;
}

void TestExport::fileModes()
{
    QFETCH(QString, format);
    QFETCH(int, mask);
    QFETCH(int, existing);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString target = dir.filePath("log." + format);
    if (existing >= 0) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(existing)), 0);
    }
    const mode_t previous = ::umask(mode_t(mask));
    const auto restore = qScopeGuard([previous] { ::umask(previous); });
    const QString temporary = savetarget::temporaryName(target);
    QString error;
    QVERIFY(writeAs(exporter::buildLogGrid(kLevelHeader, kLevelKinds, threeRows(), "d/M/yy"), temporary, format, &error));
    QVERIFY2(savetarget::replace(temporary, target, &error), qPrintable(error));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(QString::number(st.st_mode & 07777, 8), QString::number(expected, 8));
    QVERIFY(QFileInfo(target).size() > 3);
}

// Paths relative to a folder holding Data.xls, sub/Data.xls, link.xls (a
// link to Data.xls) and sublink (a link to sub).
void TestExport::sameFile_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<bool>("same");
    QTest::newRow("same name") << "{d}/Data.xls" << "{d}/Data.xls" << false << true;
    QTest::newRow("case variant, case-insensitive") << "{d}/Data.xls" << "{d}/DATA.XLS" << true << true;
    QTest::newRow("case variant, case-sensitive") << "{d}/Data.xls" << "{d}/DATA.XLS" << false << false;
    QTest::newRow("extension case, no file yet") << "{d}/new.XLS" << "{d}/new.xls" << true << true;
    QTest::newRow("case variant of a folder") << "{d}/SUB/Data.xls" << "{d}/sub/Data.xls" << true << true;
    QTest::newRow("other folder") << "{d}/Data.xls" << "{d}/sub/Data.xls" << true << false;
    QTest::newRow("other extension") << "{d}/Data.xls" << "{d}/Data.xlsx" << true << false;
    QTest::newRow("relative and absolute") << "Data.xls" << "{d}/Data.xls" << false << true;
    QTest::newRow("relative with ..") << "sub/../Data.xls" << "{d}/Data.xls" << false << true;
    QTest::newRow("absolute with .., case variant") << "{d}/sub/../DATA.xls" << "{d}/Data.xls" << true << true;
    QTest::newRow("a link to the file") << "{d}/link.xls" << "{d}/Data.xls" << false << true;
    QTest::newRow("no file yet, under a link") << "{d}/sublink/x.csv" << "{d}/sub/x.csv" << false << true;
}

void TestExport::sameFile()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, caseInsensitive);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QVERIFY(QFile(dir.filePath("Data.xls")).open(QIODevice::WriteOnly));
    QVERIFY(QFile(dir.filePath("sub/Data.xls")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(dir.filePath("Data.xls"), dir.filePath("link.xls")));
    QVERIFY(QFile::link(dir.filePath("sub"), dir.filePath("sublink")));
    const QString here = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto back = qScopeGuard([here] { QDir::setCurrent(here); });
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    a.replace("{d}", dir.path());
    b.replace("{d}", dir.path());
    QCOMPARE(savetarget::sameFile(a, b, cs), same);
    QCOMPARE(savetarget::sameFile(b, a, cs), same);
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
