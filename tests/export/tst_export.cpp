#include "logging/LogStore.h"
#include "logging/SaveTarget.h"
#include "logging/export/Writers.h"

#include <QDir>
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

// Three readings (a pressure that does not read is 0) and, newest, one whose
// date and time do not read: they stay text.
ExportGrid logGrid()
{
    LogStore s;
    const char *dates[] = {"6/12/26", "6/12/26", "6/12/26", "someday"};
    const char *times[] = {"10:00:01", "10:00:02", "10:00:03", "25:99:00"};
    const char *pressures[] = {"+0.123", "-1.5", "abc", "1"};
    for (int i = 0; i < 4; ++i) {
        LogRow r;
        r.date = dates[i];
        r.cells = {times[i], pressures[i], i == 2 ? "ft,H2O \"x\"" : "mH2O", "21.50", "Centigrade"};
        s.insertTop(r);
    }
    return exporter::buildLogGrid(kLevelHeader, kLevelKinds, s, "d/M/yy");
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
    const auto write =
        format == "xls" ? exporter::writeXls : format == "xlsx" ? exporter::writeXlsx : exporter::writeCsv;
    return write(g, path, error, {});
}
} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void largeLogs();
    void failures();
    void names();
    void sameFile_data();
    void sameFile();
};

void TestExport::formats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("comma");     // under a decimal-comma locale
    QTest::addColumn<int>("mask");       // the umask
    QTest::addColumn<int>("existing");   // the mode of the file replaced; -1: none
    QTest::addColumn<int>("mode");
    QTest::newRow("csv, umask 022") << "csv" << false << 022 << -1 << 0644;
    QTest::newRow("csv over 0640, decimal comma") << "csv" << true << 022 << 0640 << 0640;
    QTest::newRow("xls, umask 027") << "xls" << false << 027 << -1 << 0640;
    QTest::newRow("xls over 0604, umask 077, decimal comma") << "xls" << true << 077 << 0604 << 0604;
    QTest::newRow("xlsx, umask 022") << "xlsx" << false << 022 << -1 << 0644;
    QTest::newRow("xlsx over 0664, decimal comma") << "xlsx" << true << 022 << 0664 << 0664;
}

// Written as a save writes it: beside the target, then moved into its place.
// A new file is as open as any new file of the user; a replaced one keeps
// its permissions. The same bytes and cells under a decimal-comma locale:
// newest row first, real dates, times and numbers, text as it was.
void TestExport::formats()
{
    QFETCH(QString, format);
    QFETCH(bool, comma);
    QFETCH(int, mask);
    QFETCH(int, existing);
    QFETCH(int, mode);
    const auto restore = restoreNumericLocale();
    const bool commaSet = comma && setDecimalComma();
    QTemporaryDir dir;
    const QString path = dir.filePath("log." + format);
    if (existing >= 0) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(existing)), 0);
    }
    const mode_t previous = ::umask(mode_t(mask));
    const auto umaskBack = qScopeGuard([previous] { ::umask(previous); });
    const QString temporary = savetarget::temporaryName(path);
    QCOMPARE(QFileInfo(temporary).absolutePath(), QFileInfo(path).absolutePath());
    QString error;
    QVERIFY2(writeAs(logGrid(), temporary, format, &error), qPrintable(error));
    QVERIFY2(savetarget::replace(temporary, path, &error), qPrintable(error));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(QString::number(st.st_mode & 07777, 8), QString::number(mode, 8));
    QVERIFY(!QFile::exists(temporary));
    if (comma && !commaSet)
        QSKIP("No decimal-comma locale can be set: neither de_DE nor fr_FR is installed, and localedef failed");
    if (format == "csv") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Date,Time,Pressure,Units,Temperature,Units\r\n"
                                         "\r\n"
                                         "someday,25:99:00,1,mH2O,21.5,Centigrade\r\n"
                                         "6/12/26,10:00:03,0,\"ft,H2O \"\"x\"\"\",21.5,Centigrade\r\n"
                                         "6/12/26,10:00:02,-1.5,mH2O,21.5,Centigrade\r\n"
                                         "6/12/26,10:00:01,0.123,mH2O,21.5,Centigrade\r\n"));
        return;
    }
    const QJsonObject book = readBack(path);
    QVERIFY2(book.contains("sheets"), "xlrd cannot read the file");
    QCOMPARE(book["commaNumbers"].toArray(), QJsonArray());   // no "1,5" in cells, widths or margins
    const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
    const char *cells = R"([
        [["text","Date"],["text","Time"],["text","Pressure"],["text","Units"],["text","Temperature"],["text","Units"]],
        [["empty",""],["empty",""],["empty",""],["empty",""],["empty",""],["empty",""]],
        [["text","someday"],["text","25:99:00"],["number",1],
         ["text","mH2O"],["number",21.5],["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,3]],["number",0],
         ["text","ft,H2O \"x\""],["number",21.5],["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,2]],["number",-1.5],
         ["text","mH2O"],["number",21.5],["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,1]],["number",0.123],
         ["text","mH2O"],["number",21.5],["text","Centigrade"]]])";
    QCOMPARE(sheet["cells"].toArray(), QJsonDocument::fromJson(cells).array());
    if (format == "xls") {
        // Column widths follow the widest text; every cell is centred.
        const QJsonObject widths = sheet["widths"].toObject();
        QCOMPARE(widths.size(), 6);
        QCOMPARE(widths["4"].toInt(), (11 + 2) * 256);   // "Temperature"
        QCOMPARE(widths["3"].toInt(), (10 + 2) * 256);   // ft,H2O "x"
        for (const auto &row : sheet["centred"].toArray())
            for (const auto &c : row.toArray())
                QVERIFY(c.toBool());
        // Dates and times shown as the list shows them.
        QCOMPARE(sheet["formats"].toArray().last().toArray(),
                 (QJsonArray{"d/m/yy", "hh:mm:ss", "General", "General", "General", "General"}));
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
    QVERIFY(exporter::writeXls(g, dir.filePath("big.xls"), &error, [&calls](int, int) { return ++calls > 0; }));
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
    QVERIFY(!exporter::writeXls(g, dir.filePath("cancel.xls"), &error, [](int done, int) { return done < 10000; }));
    QCOMPARE(error, QString("cancelled"));
    QVERIFY(!QFile::exists(dir.filePath("cancel.xls")));
}

// No folder to write in, or a full disk (/dev/full takes no bytes): each
// writer fails, says why, and makes no folder.
void TestExport::failures()
{
    QTemporaryDir dir;
    const ExportGrid g = logGrid();
    const QString missing = dir.filePath("no/such/folder/log.");
    QStringList paths{missing + "xls", missing + "xlsx", missing + "csv"};
    if (QFile::exists("/dev/full"))
        paths << "/dev/full";   // written as csv
    for (const QString &path : paths) {
        QString error;
        QVERIFY2(!writeAs(g, path, path.section('.', -1), &error) && !error.isEmpty(), qPrintable(path));
    }
    QVERIFY(!QDir(dir.filePath("no")).exists());
}

// Save names by the chosen format, and date formats as Excel writes them.
void TestExport::names()
{
    QCOMPARE(savetarget::saveName("/data/run.data.xls", 2), QString("/data/run.data.xlsx"));
    QCOMPARE(savetarget::saveName("/data/log", 3), QString("/data/log.csv"));
    QCOMPARE(savetarget::saveName("/data/old.csv", 1), QString("/data/old.xls"));
    // A "." in a folder name is never cut.
    QCOMPARE(savetarget::saveName("/data/v1.2/log", 1), QString("/data/v1.2/log.xls"));
    QCOMPARE(savetarget::saveName("/data/log", 4), QString());
    QCOMPARE(exporter::excelDateFormat("d/M/yy"), QString("d/m/yy"));
    QCOMPARE(exporter::excelDateFormat("dd.MM.yyyy"), QString("dd.mm.yyyy"));
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
