#include "logging/LogStore.h"
#include "logging/ReportFile.h"
#include "logging/SaveTarget.h"
#include "logging/export/CompoundFile.h"
#include "logging/export/Writers.h"
#include "support/AsNobody.h"
#include "support/FileSizeLimit.h"
#include "support/Golden.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <cstdio>
#include <optional>
#include <sys/stat.h>

namespace {
const QStringList kLevelHeader = {"Date", "Time", "Pressure", "Units", "Temperature", "Units"};
const QVector<ExportCell::Kind> kLevelKinds = {ExportCell::Date, ExportCell::Time, ExportCell::Number,
                                               ExportCell::Text, ExportCell::Number, ExportCell::Text};

// The level list's grid of n readings, row(i) the i-th taken; newest first.
template <typename Row> ExportGrid gridOf(int n, Row row)
{
    LogStore s;
    for (int i = 0; i < n; ++i)
        s.insertTop(row(i));
    return exporter::buildLogGrid(kLevelHeader, kLevelKinds, s, "d/M/yy");
}

// Three readings (a pressure that does not read is 0) and, newest, one whose date and time stay text.
ExportGrid logGrid()
{
    return gridOf(4, [](int i) {
        const char *times[] = {"10:00:01", "10:00:02", "10:00:03", "25:99:00"};
        const char *pressures[] = {"+0.123", "-1.5", "abc", "1"};
        return LogRow{i < 3 ? "6/12/26" : "\u03A9 someday",   // Omega: a text past Latin-1
                      {times[i], pressures[i], i == 2 ? "ft,H2O \"x\"" : "mH2O", "21.50", "Centigrade"}};
    });
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

// LC_NUMERIC with a decimal comma (de_DE, fr_FR or one built by localedef); true once printf writes "1,5".
// The numeric locale is as it was once the returned guard goes.
auto setDecimalComma(bool *set)
{
    static QTemporaryDir store;
    static bool built = false;
    auto restore = qScopeGuard([previous = QByteArray(std::setlocale(LC_NUMERIC, nullptr))] {
        std::setlocale(LC_NUMERIC, previous.constData());
        qunsetenv("LOCPATH");
    });
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
    *set = QByteArray(printed) == "1,5";
    return restore;
}

bool writeAs(const ExportGrid &g, const QString &path, const QString &format, QString *error,
             const ExportProgress &progress = {})
{
    using Writer = bool (*)(const ExportGrid &, const QString &, QString *, const ExportProgress &);
    const Writer write =
        format == "xls" ? exporter::writeXls : format == "xlsx" ? Writer(exporter::writeXlsx) : exporter::writeCsv;
    return write(g, path, error, progress);
}

// Every sheet has a width for each column and every cell read back centred.
void checkLayout(const QJsonObject &sheet)
{
    QCOMPARE(sheet["widths"].toObject().size(), 6);
    for (const auto &row : sheet["centred"].toArray())
        QCOMPARE(row.toArray(), QJsonArray({true, true, true, true, true, true}));
}

// A cell as readback.py gives it.
QJsonArray asRead(const ExportCell &c)
{
    switch (c.kind) {
    case ExportCell::Text: return {"text", c.text};
    case ExportCell::Number: return {"number", c.number};
    case ExportCell::Date: return {"date", QJsonArray{c.date.year(), c.date.month(), c.date.day(), 0, 0, 0}};
    case ExportCell::Time: return {"date", QJsonArray{0, 0, 0, c.time.hour(), c.time.minute(), c.time.second()}};
    default: return {"empty", ""};
    }
}

QJsonArray asRead(const QVector<ExportCell> &row)
{
    QJsonArray cells;
    for (int c = 0; c < kLevelHeader.size(); ++c)
        cells << asRead(row.value(c));
    return cells;
}
// The cells of logGrid() as a workbook holds them.
const char *const kLogCells = R"([
        [["text","Date"],["text","Time"],["text","Pressure"],["text","Units"],["text","Temperature"],["text","Units"]],
        [["empty",""],["empty",""],["empty",""],["empty",""],["empty",""],["empty",""]],
        [["text","\u03a9 someday"],["text","25:99:00"],["number",1],["text","mH2O"],["number",21.5],["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,3]],["number",0],["text","ft,H2O \u0022x\u0022"],["number",21.5],
         ["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,2]],["number",-1.5],["text","mH2O"],["number",21.5],
         ["text","Centigrade"]],
        [["date",[2026,12,6,0,0,0]],["date",[0,0,0,10,0,1]],["number",0.123],["text","mH2O"],["number",21.5],
         ["text","Centigrade"]]])";
} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("comma");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("existing");   // the mode of the file replaced; -1: none
        QTest::addColumn<int>("mode");
        QTest::newRow("csv, umask 022") << "csv" << false << 022 << -1 << 0644;
        QTest::newRow("csv over 0640, decimal comma") << "csv" << true << 022 << 0640 << 0640;
        QTest::newRow("xls, umask 027") << "xls" << false << 027 << -1 << 0640;
        QTest::newRow("xls over 0604, umask 077, decimal comma") << "xls" << true << 077 << 0604 << 0604;
        QTest::newRow("xlsx, umask 022") << "xlsx" << false << 022 << -1 << 0644;
        QTest::newRow("xlsx over 0664, decimal comma") << "xlsx" << true << 022 << 0664 << 0664;
    }

    // Saved beside the target, then moved over it: a new file gets the umask's mode, a replaced one keeps its own.
    // The same bytes and cells under a decimal-comma locale: newest first, real dates, times and numbers.
    void formats()
    {
        QFETCH(QString, format);
        QFETCH(bool, comma);
        QFETCH(int, mask);
        QFETCH(int, existing);
        QFETCH(int, mode);
        bool commaSet = false;
        const auto restore = comma ? std::optional(setDecimalComma(&commaSet)) : std::nullopt;
        QTemporaryDir dir;
        const QString path = dir.filePath("log." + format);
        if (existing >= 0) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(existing)), 0);
        }
        const mode_t previous = ::umask(mode_t(mask));
        const auto umaskBack = qScopeGuard([previous] { ::umask(previous); });
        const QString temporary = savetarget::temporaryName(path);
        QCOMPARE(QFileInfo(temporary).absolutePath(), QFileInfo(path).absolutePath());
        const QString another = savetarget::temporaryName(path);   // each save a file of its own
        QVERIFY(another != temporary && QFile::remove(another));
        QString error;
        QVERIFY2(writeAs(logGrid(), temporary, format, &error), qPrintable(error));
        QVERIFY(uselocale(nullptr) == LC_GLOBAL_LOCALE);   // the writer gave the thread's locale back
        QVERIFY2(savetarget::replace(temporary, path, &error), qPrintable(error));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(QString::number(st.st_mode & 07777, 8), QString::number(mode, 8));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log." + format});   // no leftover
        if (comma && !commaSet)
            QSKIP("No decimal-comma locale can be set: neither de_DE nor fr_FR is installed, and localedef failed");
        if (format == "csv") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("Date,Time,Pressure,Units,Temperature,Units\r\n\r\n"
                                             "\xCE\xA9 someday,25:99:00,1,mH2O,21.5,Centigrade\r\n"
                                             "6/12/26,10:00:03,0,\"ft,H2O \"\"x\"\"\",21.5,Centigrade\r\n"
                                             "6/12/26,10:00:02,-1.5,mH2O,21.5,Centigrade\r\n"
                                             "6/12/26,10:00:01,0.123,mH2O,21.5,Centigrade\r\n"));
            // A line break of either kind inside a text keeps the text one field.
            const QString breaks = dir.filePath("breaks.csv");
            const auto row = [](int i) {
                return LogRow{"6/12/26", {"10:00:01", "1", i ? "m\rH2O" : "m\nH2O", "21.5", "C"}};
            };
            QVERIFY(writeAs(gridOf(2, row), breaks, format, &error));
            QFile b(breaks);
            QVERIFY(b.open(QIODevice::ReadOnly));
            QCOMPARE(b.readAll(),
                     QByteArray("Date,Time,Pressure,Units,Temperature,Units\r\n\r\n"
                                "6/12/26,10:00:01,1,\"m\rH2O\",21.5,C\r\n6/12/26,10:00:01,1,\"m\nH2O\",21.5,C\r\n"));
            return;
        }
        // An .xls is byte for byte the workbook kept in tests/golden, the one xlrd reads back below
        // (SDI12_UPDATE_GOLDEN=1 rewrites it after a change meant to be seen in the file). An .xlsx holds the
        // moment it was written.
        if (format == "xls") {
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            compareWithGolden(written.readAll(), "log.xls");
        }
        const QJsonObject book = readBack(path);
        QVERIFY2(book.contains("sheets"), "xlrd cannot read the file");
        QCOMPARE(book["commaNumbers"].toArray(), QJsonArray());   // no "1,5" in cells, widths or margins
        const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
        QCOMPARE(sheet["cells"].toArray(), QJsonDocument::fromJson(kLogCells).array());
        checkLayout(sheet);
        if (format == "xls") {   // widths follow the widest text; dates and times shown as the list shows them
            QCOMPARE(sheet["widths"].toObject()["4"].toInt(), (11 + 2) * 256);   // "Temperature"
            QCOMPARE(sheet["widths"].toObject()["3"].toInt(), (10 + 2) * 256);   // ft,H2O "x"
            QCOMPARE(sheet["formats"].toArray().last().toArray(),
                     (QJsonArray{"d/m/yy", "hh:mm:ss", "General", "General", "General", "General"}));
        }
    }

    void largeLogs()
    {
        QTemporaryDir dir;
        const ExportGrid g = gridOf(100000, [](int i) {
            return LogRow{"6/12/26", {"10:00:00", QString::number(i), "mH2O", "21.5", "Centigrade"}};
        });
        for (const QString format : {"xls", "xlsx", "csv"}) {
            QString error;
            int calls = 0;
            const auto count = [&calls](int, int) { return ++calls > 0; };
            QVERIFY(writeAs(g, dir.filePath("big." + format), format, &error, count));
            QCOMPARE(calls, format == "xls" ? 24 : 25);   // a step every 4,096 rows
            // Cancelling through the progress callback fails; a workbook leaves no file.
            const QString cancelled = dir.filePath("cancel." + format);
            QVERIFY(!writeAs(g, cancelled, format, &error, [](int done, int) { return done < 10000; }));
            QCOMPARE(error, QString("cancelled"));
            QVERIFY2(!QFile::exists(cancelled) || format == "csv", qPrintable(format));
        }
        // Under the default sheet size, one .xlsx sheet takes them all; the .xls (over 109 FAT sectors, so with a
        // DIFAT sector) reads back whole.
        const QJsonArray xlsx = readBack(dir.filePath("big.xlsx"), 3)["sheets"].toArray();
        QCOMPARE(xlsx.size(), 1);
        QCOMPARE(xlsx[0].toObject()["nrows"].toInt(), 100002);
        QVERIFY(QFileInfo(dir.filePath("big.xls")).size() > 109 * 128 * 512);
        const QJsonArray xls = readBack(dir.filePath("big.xls"), 3)["sheets"].toArray();
        const auto rows = [&xls](int i) { return xls[i].toObject()["nrows"].toInt(); };
        QCOMPARE((QList<int>{int(xls.size()), rows(0), rows(1)}), (QList<int>{2, 65536, 34468}));
    }

    void sheets_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("sheetRows");   // rows a sheet holds; .xls: always 65,536
        QTest::addColumn<int>("readings");
        QTest::addColumn<QVector<int>>("perSheet");
        QTest::newRow("xlsx, last sheet partial") << "xlsx" << 5 << 10 << QVector<int>{3, 3, 3, 1};
        QTest::newRow("xlsx, sheets just full") << "xlsx" << 6 << 8 << QVector<int>{4, 4};
        QTest::newRow("xlsx, one sheet just full") << "xlsx" << 6 << 4 << QVector<int>{4};
        QTest::newRow("xlsx, no readings") << "xlsx" << 6 << 0 << QVector<int>{0};   // the headings still
        QTest::newRow("xls, no readings") << "xls" << 65536 << 0 << QVector<int>{0};
        QTest::newRow("xls, last sheet partial") << "xls" << 65536 << exporter::kXlsRowsPerSheet + 3
                                                 << QVector<int>{exporter::kXlsRowsPerSheet, 3};
    }

    // A log longer than a sheet goes on in Sheet2, Sheet3, ...: each with the header and the empty row, then the
    // next rows in order, none lost, the same widths and centring; under a decimal-comma locale.
    void sheets()
    {
        QFETCH(QString, format);
        QFETCH(int, sheetRows);
        QFETCH(int, readings);
        QFETCH(QVector<int>, perSheet);
        bool commaSet = false;
        const auto restore = setDecimalComma(&commaSet);
        const ExportGrid g = gridOf(readings, [](int i) {
            return LogRow{QString("%1/12/26").arg(1 + i % 28),
                          {QTime(0, 0).addSecs(i).toString("hh:mm:ss"), QString::number(i + 0.25), "mH2O", "21.5",
                           "\u00B0C"}};
        });
        QTemporaryDir dir;
        const QString path = dir.filePath("log." + format);
        QString error;
        QVERIFY2(format == "xls" ? exporter::writeXls(g, path, &error)
                                 : exporter::writeXlsx(g, path, &error, {}, sheetRows), qPrintable(error));
        const QJsonObject book = readBack(path, sheetRows);
        QCOMPARE(book["commaNumbers"].toArray(), QJsonArray());
        const QJsonArray sheets = book["sheets"].toArray();
        QCOMPARE(sheets.size(), perSheet.size());
        for (int k = 0, next = 2; k < sheets.size(); ++k) {
            const QJsonObject sheet = sheets[k].toObject();
            QCOMPARE(sheet["name"].toString(), QString("Sheet%1").arg(k + 1));
            QJsonArray expected{asRead(g.rows[0]), asRead(g.rows[1])};
            for (int i = 0; i < perSheet[k]; ++i)
                expected << asRead(g.rows[next++]);
            if (readings == 0)   // the empty row after the headings is not read back when nothing follows
                expected = QJsonArray{QJsonValue(asRead(g.rows[0]))};
            QCOMPARE(sheet["nrows"].toInt(), expected.size());
            QCOMPARE(sheet["cells"].toArray(), expected);
            QCOMPARE(sheet["widths"].toObject(), sheets[0].toObject()["widths"].toObject());
            checkLayout(sheet);
            QVERIFY(k + 1 < sheets.size() || next == g.rows.size());   // every row written
        }
        if (!commaSet)
            QSKIP("No decimal-comma locale can be set: checked under the C locale only");
    }

    // No folder, or a full disk (/dev/full, or one that takes part of a file): each writer fails, says why and makes
    // no folder; nor is a workbook written with sheets of a size it cannot have (header, empty row and a reading; no
    // more rows than Excel takes).
    void failures()
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
        for (const QString format : {"xls", "xlsx", "csv"}) {
            const FileSizeLimit full(100);   // a disk that takes part of a file, and says so only to the next write
            QString error;
            QVERIFY2(!writeAs(g, dir.filePath("full." + format), format, &error) && !error.isEmpty(), qPrintable(format));
        }
        for (int sheetRows : {2, exporter::kXlsxSheetRows + 1}) {
            QString error;
            QVERIFY(!exporter::writeXlsx(g, dir.filePath("log.xlsx"), &error, {}, sheetRows) && !error.isEmpty());
            QVERIFY(!QFile::exists(dir.filePath("log.xlsx")));
        }
        ExportGrid tooLong = g;   // a text over Excel's limit, in the second reading
        tooLong.rows[3][3].text = QString(32768, 'x');   // a Text cell, the units
        QString error;
        QVERIFY(!exporter::writeXlsx(tooLong, dir.filePath("log.xlsx"), &error));
        QVERIFY(!QFile::exists(dir.filePath("log.xlsx")));   // the workbook begun is removed
        QCOMPARE(error, "row 2: String exceeds Excel's limit of 32,767 characters.");
        QVERIFY(!QDir(dir.filePath("no")).exists());
    }

    // A shared folder (sticky, as /tmp is) holding a colleague's files, which anyone may write but only their owner
    // replace: the report and an export fail, say why and leave the files as they were, with nothing beside them.
    void sharedFolder()
    {
        QTemporaryDir dir;
        const QString shared = rootMustRerun() ? dir.filePath("shared") : qEnvironmentVariable("SDI12_TEST_SHARED");
        const QStringList files = {shared + "/report.txt", shared + "/log.csv"};
        // Beside it, a folder of root's that nobody may write in, holding a report anybody may write.
        const QString fixed = QFileInfo(shared).path() + "/fixed", fixedReport = fixed + "/report.txt";
        if (rootMustRerun()) {
            QFile f(fixedReport);
            QVERIFY(QDir().mkdir(fixed) && f.open(QIODevice::WriteOnly) && f.write("old") == 3);
            QVERIFY(::chmod(qPrintable(fixedReport), 0666) == 0 && ::chmod(qPrintable(fixed), 0555) == 0);
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0 && QDir().mkdir(shared) &&
                    ::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
            for (const QString &name : files) {
                QFile f(name);
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3 && ::chmod(qPrintable(name), 0666) == 0);
            }
            qputenv("SDI12_TEST_SHARED", QFile::encodeName(shared));
            return rerunAsNobody("sharedFolder");
        }
        if (shared.isEmpty())
            QSKIP("Only root can leave a colleague's file in a shared folder");
        const QString refused = QString::fromLocal8Bit(std::strerror(EPERM)), temporary = savetarget::temporaryName(files[1]);
        QString error, replaceError;
        QVERIFY(!report::write(files[0], {"new"}, &error) && !savetarget::replace(temporary, files[1], &replaceError));
        QCOMPARE(QStringList({error, replaceError}), QStringList({refused, refused}));   // the system's own words
        QVERIFY(QFile::remove(temporary));   // as the export does
        for (const QString &name : files) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == "old");
        }
        QCOMPARE(QDir(shared).entryList(QDir::Files | QDir::Hidden).size(), 2);
        // The report goes into the file itself where the folder takes no new file.
        QVERIFY2(report::write(fixedReport, {"new"}, &error), qPrintable(error));
        QFile f(fixedReport);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == "new\r\n");
    }

    // Save names by the chosen format (a "." in a folder name is never cut), and date formats as Excel writes them.
    void names()
    {
        for (const auto &[path, format, saved] : {std::tuple{"/data/run.data.xls", 2, "/data/run.data.xlsx"},
                                                  {"/data/log", 3, "/data/log.csv"}, {"/data/old.csv", 1, "/data/old.xls"},
                                                  {"/data/v1.2/log", 1, "/data/v1.2/log.xls"}, {"/data/log", 4, ""}})
            QCOMPARE(savetarget::saveName(path, format), QString(saved));
        // Letters that are not date fields are quoted, as are Qt's quoted words (closed or not); none: the default.
        for (const auto &[qt, excel] : {std::pair{"d/M/yy", "d/m/yy"}, {"dd.MM.yyyy", "dd.mm.yyyy"},
                                        {"dddd d MMMMM y", "dddd d mmmm yy"}, {"d 'de' MMM yyyy", "d \"de\" mmm yyyy"},
                                        {"yyy-MM-dd t", "yyyy-mm-dd \"t\""}, {"d 'open", "d \"open\""}, {"", "dd/mm/yyyy"}})
            QCOMPARE(exporter::excelDateFormat(qt), QString(excel));
        // One with a letter beyond Latin-1 (Bulgarian, "d.MM.yy 'г'.") is a UTF-16 format in an .xls.
        QTemporaryDir dir;
        ExportGrid bulgarian = logGrid();
        bulgarian.dateFormat = "d.MM.yy 'г'.";
        const QString excel = exporter::excelDateFormat(bulgarian.dateFormat);
        QByteArray record = QByteArray(1, char(excel.size())) + '\0' + '\1';   // length, 16-bit flag
        for (QChar ch : excel)
            record += QByteArray(1, char(ch.unicode() & 0xFF)) + char(ch.unicode() >> 8);
        QString error;
        QFile xls(dir.filePath("bg.xls"));
        QVERIFY(exporter::writeXls(bulgarian, xls.fileName(), &error) && xls.open(QIODevice::ReadOnly));
        QVERIFY(xls.readAll().contains(record));
        // A two-digit year from 70 is of the 1900s, below it of the 2000s; a four-digit year is as written.
        for (const auto &[text, format, year] : {std::tuple{"5/6/69", "d/M/yy", 2069}, {"5/6/70", "d/M/yy", 1970},
                                                 {"05.06.1969", "dd.MM.yyyy", 1969}})
            QCOMPARE(exporter::parseDate(text, format).year(), year);
        // Column widths in characters: the widest heading or cell and two, a date two more (a four-digit year).
        const ExportGrid g = gridOf(1, [](int) { return LogRow{"06/12/2026", {"10:00:00", "123456.75", "m", "", ""}}; });
        QCOMPARE(exporter::columnWidths(g), (QVector<double>{12, 10, 11, 7, 13, 7}));
    }

    // An .xls container where its tables grow: where the directory sector takes a second allocation sector, the last
    // size whose allocation sectors the header lists alone, the first that needs a list sector, and one that needs a
    // third. Another reader follows the chains to the whole stream; every allocation sector the header counts is
    // listed and marked as one, and together they cover every sector of the file.
    void containerSizes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("c.xls");
        for (const int sectors : {127, 13800, 13900, 30200}) {
            QByteArray stream(sectors * 512 - 7, '\0');
            for (int i = 0; i < stream.size(); ++i)
                stream[i] = static_cast<char>(i % 251);
            CompoundFileWriter w;
            QString error;
            QVERIFY(w.open(path, &error));
            w.write(stream);
            QVERIFY2(w.finish("Workbook", &error), qPrintable(error));
            QProcess p;
            p.start("/usr/bin/python3", {"-c", R"(import hashlib, struct, sys, xlrd.compdoc
d = open(sys.argv[1], 'rb').read()
s = xlrd.compdoc.CompDoc(d, sys.stdout).get_named_stream('Workbook')
fats, (sid, lists) = struct.unpack_from('<I', d, 0x2C)[0], struct.unpack_from('<II', d, 0x44)
ids = list(struct.unpack_from('<109I', d, 0x4C))
for _ in range(lists):
    e = struct.unpack_from('<128I', d, 512 + sid * 512)
    ids, sid = ids + list(e[:127]), e[127]
ids = [i for i in ids if i != 0xFFFFFFFF]
fat = [e for i in ids for e in struct.unpack_from('<128I', d, 512 + i * 512)]
print(len(s), hashlib.md5(s).hexdigest(), len(ids) == fats and len(fat) >= len(d) // 512 - 1 and
      all(fat[i] == 0xFFFFFFFD for i in ids)))", path});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.readAll().trimmed() + p.readAllStandardError(),
                     QByteArray::number(stream.size()) + ' ' +
                         QCryptographicHash::hash(stream, QCryptographicHash::Md5).toHex() + " True");
        }
    }

    // In a folder holding Data.xls, sub/Data.xls, link.xls (a link to Data.xls) and sublink (a link to sub), each
    // pair either way round: the same file by name, case (where the file system ignores it), "..", a link.
    void sameFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        for (const char *name : {"Data.xls", "sub/Data.xls"})
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(dir.filePath("Data.xls"), dir.filePath("link.xls")));
        QVERIFY(QFile::link(dir.filePath("sub"), dir.filePath("sublink")));
        const auto back = qScopeGuard([here = QDir::currentPath()] { QDir::setCurrent(here); });
        QVERIFY(QDir::setCurrent(dir.path()));
        const std::tuple<const char *, const char *, Qt::CaseSensitivity, bool> pairs[] = {
            {"{d}/Data.xls", "{d}/Data.xls", Qt::CaseSensitive, true},
            {"{d}/Data.xls", "{d}/DATA.XLS", Qt::CaseInsensitive, true},
            {"{d}/Data.xls", "{d}/DATA.XLS", Qt::CaseSensitive, false},
            {"{d}/new.XLS", "{d}/new.xls", Qt::CaseInsensitive, true},   // no file yet
            {"{d}/SUB/Data.xls", "{d}/sub/Data.xls", Qt::CaseInsensitive, true},
            {"{d}/Data.xls", "{d}/sub/Data.xls", Qt::CaseInsensitive, false},
            {"{d}/Data.xls", "{d}/Data.xlsx", Qt::CaseInsensitive, false},
            {"Data.xls", "{d}/Data.xls", Qt::CaseSensitive, true},
            {"sub/../Data.xls", "{d}/Data.xls", Qt::CaseSensitive, true},
            {"{d}/sub/../DATA.xls", "{d}/Data.xls", Qt::CaseInsensitive, true},
            {"{d}/link.xls", "{d}/Data.xls", Qt::CaseSensitive, true},
            {"{d}/sublink/x.csv", "{d}/sub/x.csv", Qt::CaseSensitive, true}};   // no file yet, under a link
        for (const auto &[a, b, cs, same] : pairs) {
            const QString pa = QString(a).replace("{d}", dir.path()), pb = QString(b).replace("{d}", dir.path());
            QVERIFY2(savetarget::sameFile(pa, pb, cs) == same && savetarget::sameFile(pb, pa, cs) == same,
                     qPrintable(QString("%1 %2").arg(a, b)));
        }
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
