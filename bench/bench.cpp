// Benchmark of the console: link overhead against the simulated bus at
// 1200 baud, log-list scaling through the decoder path, export against its
// floors, the journal's cost per row, and start-up time. Every figure is a
// ratio measured in this run.
//
//   sdi12-bench                 everything
//   sdi12-bench link|log|export|export-sheets|journal|restore|chart|startup
//   sdi12-bench log-rows N      one log-scale run (used as a child process)
//   sdi12-bench startup-child   the console's start-up, timed by `startup`
//   sdi12-bench journal-size N  the journal's file size holding N unsaved rows
#include "app/MainWindow.h"
#include "discovery/Console.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "app/Platform.h"
#include "app/SensorTabWidget.h"
#include "app/StartupForm.h"
#include "discovery/LogPeriods.h"
#include "discovery/SysData.h"
#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "link/PortCatalogue.h"
#include "logging/Journal.h"
#include "logging/LogChart.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "logging/export/Writers.h"
#include "sim/SimBus.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

QTextStream out(stdout);

struct QuietUi : Ui {
    int messages = 0;
    void message(Icon, const QString &, const QString &) override { ++messages; }
    bool askYesNo(const QString &, const QString &) override { return true; }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override { return {}; }
};

// The real blocking sleep, with every pause added up.
struct CountingClock : Clock {
    double sleptMs = 0;
    void sleepMs(int ms) override
    {
        sleptMs += ms;
        Clock::sleepMs(ms);
    }
};

struct NoSleepClock : Clock {
    void sleepMs(int) override {}
};

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

// The run (no window) on the port double, settings from `rec`.
struct Run {
    QTemporaryDir dir;
    FakeSerialPort port;
    QuietUi ui;
    std::unique_ptr<Console> c;
    Run(Clock &clock, const SysDataRecord &rec)
    {
        const QString path = dir.filePath(QStringLiteral("Varno sysfile.cfg"));
        sysdata::write(path, rec, nullptr);
        Console::Platform p;
        p.ui = &ui;
        p.clock = &clock;
        p.port = &port;
        p.settingsPath = path;
        p.catalogue = [] {
            PortCatalogue c;
            c.names = {QStringLiteral("Bench port (COM1)")};
            c.devices = {{1, QStringLiteral("/dev/null")}};
            return c;
        };
        c = std::make_unique<Console>(p);
        c->setLevelProbeSensorType();
    }
    void load()
    {
        c->prepare();
        c->start();
    }
    void settle()
    {
        while (c->link.exchangeInFlight() || c->sequencesRunning > 0 || c->waiting())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
};

// ---------------------------------------------------------------- link
// What the protocol itself costs for one command and its answer.
struct Segment {
    QByteArray command;
    int timeoutMs = 0;
    qint64 bytesIn = 0;
    int answers = 0;
    int serviceRequests = 0;
};

struct LinkRun {
    std::vector<Segment> segments;
    double measuredMs = 0;
    double sleptMs = 0;
};

double lowerBoundMs(const LinkRun &run, int answerDelayMs, int measurementSeconds)
{
    double bound = run.sleptMs;   // break, mark and data-timeout pauses
    for (const Segment &s : run.segments) {
        if (s.answers == 0) {
            // A silent address: the whole command timeout from the write
            // (the echo runs inside it).
            bound += s.timeoutMs;
            continue;
        }
        bound += s.bytesIn * sim::SimBus::kCharMs;   // the echo is the sending time
        bound += double(s.answers) * answerDelayMs;
        bound += double(s.serviceRequests) * measurementSeconds * 1000.0;
        // The data request follows the address character of a service
        // request; its CR LF pass during the data-timeout pause.
        bound -= double(s.serviceRequests) * 2 * sim::SimBus::kCharMs;
    }
    return bound;
}

void benchLink()
{
    constexpr int answerDelayMs = 10;
    constexpr int measurementSeconds = 1;
    SysDataRecord rec;
    rec.port = 1;
    rec.breakMs = 20;
    rec.markMs = 15;
    rec.dataTimeoutMs = 200;
    rec.commandTimeoutMs = 400;
    CountingClock clock;
    Run c(clock, rec);
    sim::SimBus bus;
    bus.setPaced(true);
    bus.setAnswerDelayMs(answerDelayMs);
    bus.addSensor(3, sim::Family::Level);
    bus.addSensor(7, sim::Family::Level);
    bus.setMeasurementSeconds(3, measurementSeconds);
    bus.setMeasurementSeconds(7, measurementSeconds);
    sim::InProcessLink link(c.port, bus);

    LinkRun *run = nullptr;
    const auto onWrite = c.port.onWrite;
    const bool trace = qEnvironmentVariableIsSet("SDI12_BENCH_TRACE");
    QElapsedTimer traceClock;
    traceClock.start();
    c.port.onWrite = [&](const QByteArray &b) {
        if (trace && run)
            out << QString::number(traceClock.nsecsElapsed() / 1e6, 'f', 2) << " write " << b << "\n";
        if (run)
            run->segments.push_back({b, c.c->link.commandTimeout(), 0, 0, 0});
        onWrite(b);
    };
    QObject::connect(&bus, &sim::SimBus::transmit, [&](const QByteArray &b) {
        if (trace && run)
            out << QString::number(traceClock.nsecsElapsed() / 1e6, 'f', 2) << " in "
                << QString::fromLatin1(b.toPercentEncoding()) << "\n";
        if (run && !run->segments.empty())
            run->segments.back().bytesIn += b.size();
    });
    QObject::connect(&bus, &sim::SimBus::event, [&](const QString &e) {
        if (!run || run->segments.empty() || !e.startsWith(QLatin1String("tx ")))
            return;
        if (e.endsWith(QLatin1String("(service request)")))
            ++run->segments.back().serviceRequests;
        else
            ++run->segments.back().answers;
    });

    c.load();   // the start-up scan
    c.settle();
    c.c->logging->SecondTimer.stop();

    auto report = [&](const QString &what, const LinkRun &r, int seconds) {
        const double bound = lowerBoundMs(r, answerDelayMs, seconds);
        out << QStringLiteral("  %1: %2 commands, measured %3 ms, lower bound %4 ms, ratio %5 (overhead %6 %)\n")
                   .arg(what)
                   .arg(r.segments.size())
                   .arg(r.measuredMs, 0, 'f', 1)
                   .arg(bound, 0, 'f', 1)
                   .arg(r.measuredMs / bound, 0, 'f', 4)
                   .arg((r.measuredMs / bound - 1.0) * 100.0, 0, 'f', 2);
        out.flush();
        return bound;
    };

    // A full scan of addresses 0-9.
    LinkRun scan;
    run = &scan;
    clock.sleptMs = 0;
    QElapsedTimer t;
    t.start();
    c.c->press(-1, [&] { c.c->scanner->Poll_Sensors(); });
    c.settle();
    scan.measuredMs = t.nsecsElapsed() / 1e6;
    scan.sleptMs = clock.sleptMs;
    run = nullptr;
    double bound = report(QStringLiteral("scan"), scan, measurementSeconds);

    // Readings of sensor 3, one per logging tick, the ticks back to back.
    SensorFields &tab = *c.c->tab[3];
    LogModel *log = c.c->levelLog(3);
    c.c->setCurrentTab(3);
    fillAllLogPeriods(tab.LogPeriodCombo);
    tab.LogPeriodCombo.select(tab.LogPeriodCombo.findText(QStringLiteral("1 Second")));
    c.c->press(3, [&] { c.c->logging->StartLogBut_Click(3); });
    c.settle();
    auto readings = [&](int count) {
        const int rowsBefore = log->size();
        LinkRun r;
        run = &r;
        clock.sleptMs = 0;
        t.start();
        for (int i = 0; i < count; ++i) {
            c.c->logging->SecondTimer_Timer();
            c.settle();
        }
        r.measuredMs = t.nsecsElapsed() / 1e6;
        r.sleptMs = clock.sleptMs;
        run = nullptr;
        if (log->size() - rowsBefore != count)
            out << "  (warning: " << log->size() - rowsBefore << " rows logged, not " << count
                << ")\n";
        return r;
    };
    const int count = trace ? 2 : 100;
    const LinkRun logging = readings(count);
    const double loggingBound = report(QStringLiteral("logging, %1 readings").arg(count), logging, measurementSeconds);
    // A sensor that needs 2 s: the console waits for its service request.
    bus.setMeasurementSeconds(3, 2);
    const LinkRun waiting = readings(5);
    const double waitingBound = report(QStringLiteral("logging, 5 readings with a 2 s measurement and service request"),
                                       waiting, 2);
    c.c->logging->StopLogBut_Click(3);

    const double measured = scan.measuredMs + logging.measuredMs + waiting.measuredMs;
    bound += loggingBound + waitingBound;
    out << QStringLiteral("  all together: measured %1 ms, lower bound %2 ms, ratio %3 (overhead %4 %)\n")
               .arg(measured, 0, 'f', 1)
               .arg(bound, 0, 'f', 1)
               .arg(measured / bound, 0, 'f', 4)
               .arg((measured / bound - 1.0) * 100.0, 0, 'f', 2);
}

// ----------------------------------------------------------------- log
qint64 peakRssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Appends `rows` log rows to tab 3's list through the receiver and the
// data-answer decoding, as a logging run does; prints one result line.
int logRows(int rows)
{
    SysDataRecord rec;
    rec.port = 1;
    rec.breakMs = rec.markMs = rec.dataTimeoutMs = 0;
    rec.commandTimeoutMs = 400;
    NoSleepClock clock;
    Run c(clock, rec);
    c.load();   // nobody answers the scan: the port double is silent
    c.settle();
    c.c->logging->SecondTimer.stop();
    c.c->table->setPresent(3, true);
    Link &link = c.c->link;
    LogModel *log = c.c->levelLog(3);

    const int window = qMin(10000, rows / 10);
    const qint64 rssBefore = peakRssKb();
    QElapsedTimer t;
    double firstNs = 0, lastNs = 0;
    char answer[64];
    t.start();
    qint64 windowStart = 0;
    for (int i = 0; i < rows; ++i) {
        if (i == window) {
            firstNs = double(t.nsecsElapsed() - windowStart) / window;
        }
        if (i == rows - window)
            windowStart = t.nsecsElapsed();
        link.strSent_Command = QStringLiteral("3D0!");
        link.LastCommand = 12;
        link.ResponseState = Link::Waiting;
        link.RxState = 0;
        const int n = std::snprintf(answer, sizeof answer, "3D0!3+%.4f+%.2f\r\n", 1.2 + (i % 1000) * 1e-4,
                                    20.0 + (i % 97) * 0.01);
        c.port.feed(QByteArray(answer, n), true);
        link.Comm1_OnComm();
        if ((i & 1023) == 0) {
            c.port.clearCalls();
            QCoreApplication::processEvents();
        }
    }
    lastNs = double(t.nsecsElapsed() - windowStart) / window;
    const qint64 rssAfter = peakRssKb();
    if (log->size() != rows) {
        out << "  log-rows: " << log->size() << " rows in the log, " << rows << " expected\n";
        return 1;
    }
    out << QStringLiteral("LOGROWS %1 %2 %3 %4\n")
               .arg(rows)
               .arg(firstNs / 1000.0, 0, 'f', 2)
               .arg(lastNs / 1000.0, 0, 'f', 2)
               .arg(double(rssAfter - rssBefore) * 1024.0 / rows, 0, 'f', 0);
    out.flush();
    return 0;
}

void benchLog(const QString &self)
{
    for (int rows : {100000, 1000000}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(self, {QStringLiteral("log-rows"), QString::number(rows)});
        p.waitForFinished(-1);
        const QString line = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        const QStringList f = line.split(' ');
        if (f.size() != 5 || f[0] != QLatin1String("LOGROWS")) {
            out << "  log scale " << rows << ": failed (" << line << ")\n";
            continue;
        }
        out << QStringLiteral("  %1 rows: %2 us/row over the first %3, %4 us/row over the last %3, ratio %5; "
                              "peak memory %6 bytes/row\n")
                   .arg(rows)
                   .arg(f[2])
                   .arg(qMin(10000, rows / 10))
                   .arg(f[3])
                   .arg(f[3].toDouble() / f[2].toDouble(), 0, 'f', 3)
                   .arg(f[4]);
        out.flush();
    }
}

// -------------------------------------------------------------- export
ExportGrid benchGrid(int rows)
{
    ExportGrid g;
    g.columns = 6;
    g.dateFormat = QStringLiteral("dd/MM/yyyy");
    auto text = [](const QString &s) {
        ExportCell c;
        c.kind = ExportCell::Text;
        c.text = s;
        return c;
    };
    QVector<ExportCell> header;
    for (const char *h : {"Date", "Time", "Pressure", "Units", "Temperature", "Units"})
        header << text(QString::fromLatin1(h));
    g.rows << header << QVector<ExportCell>{};
    const QDate day(2026, 12, 6);
    for (int i = 0; i < rows; ++i) {
        QVector<ExportCell> r(6);
        const QDate d = day.addDays(-(i / 86400));
        const QTime tm = QTime(0, 0).addSecs(86399 - i % 86400);
        r[0].kind = ExportCell::Date;
        r[0].date = d;
        r[0].text = d.toString(g.dateFormat);
        r[1].kind = ExportCell::Time;
        r[1].time = tm;
        r[1].text = tm.toString(QStringLiteral("hh:mm:ss"));
        r[2].kind = ExportCell::Number;
        r[2].number = 1.2 + (i % 1000) * 1e-4;
        r[2].text = QString::number(r[2].number, 'f', 4);
        r[3] = text(QStringLiteral("mH2O"));
        r[4].kind = ExportCell::Number;
        r[4].number = 20.0 + (i % 97) * 0.01;
        r[4].text = QString::number(r[4].number, 'f', 2);
        r[5] = text(QStringLiteral("\u00B0C"));
        g.rows << r;
    }
    return g;
}

double timeMs(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// The best of three runs.
double bestMs(const std::function<void()> &f)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i)
        best = qMin(best, timeMs(f));
    return best;
}

// libxlsxwriter by itself: the same cells, formats and column widths.
void plainXlsx(const ExportGrid &g, const QByteArray &path)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *wb = workbook_new_opt(path.constData(), &options);
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    lxw_format *centred = workbook_add_format(wb);
    format_set_align(centred, LXW_ALIGN_CENTER);
    lxw_format *date = workbook_add_format(wb);
    format_set_align(date, LXW_ALIGN_CENTER);
    format_set_num_format(date, "dd/mm/yyyy");
    lxw_format *time = workbook_add_format(wb);
    format_set_align(time, LXW_ALIGN_CENTER);
    format_set_num_format(time, "hh:mm:ss");
    for (lxw_col_t col = 0; col < 6; ++col)
        worksheet_set_column(ws, col, col, 12, centred);
    worksheet_write_string(ws, 0, 0, "Date", centred);
    worksheet_write_string(ws, 0, 1, "Time", centred);
    worksheet_write_string(ws, 0, 2, "Pressure", centred);
    worksheet_write_string(ws, 0, 3, "Units", centred);
    worksheet_write_string(ws, 0, 4, "Temperature", centred);
    worksheet_write_string(ws, 0, 5, "Units", centred);
    const QDate epoch(1899, 12, 30);
    for (int r = 2; r < g.rows.size(); ++r) {
        const auto &row = g.rows[r];
        const auto lr = static_cast<lxw_row_t>(r);
        worksheet_write_number(ws, lr, 0, double(epoch.daysTo(row[0].date)), date);
        worksheet_write_number(ws, lr, 1, row[1].time.msecsSinceStartOfDay() / 86400000.0, time);
        worksheet_write_number(ws, lr, 2, row[2].number, centred);
        worksheet_write_string(ws, lr, 3, "mH2O", centred);
        worksheet_write_number(ws, lr, 4, row[4].number, centred);
        worksheet_write_string(ws, lr, 5, "\xC2\xB0" "C", centred);
    }
    workbook_close(wb);
}

// A plain buffered write of `bytes` to `path`, the floor of any writer.
void plainWrite(const QString &path, const QByteArray &bytes)
{
    FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f)
        return;
    constexpr qsizetype chunk = 1 << 16;
    for (qsizetype at = 0; at < bytes.size(); at += chunk)
        std::fwrite(bytes.constData() + at, 1, size_t(qMin(chunk, bytes.size() - at)), f);
    std::fclose(f);
}

void benchExport()
{
    constexpr int rows = 100000;
    const ExportGrid g = benchGrid(rows);
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-XXXXXX"));
    QString error;
    auto line = [](const char *what, double ms, const char *floorName, double floorMs) {
        out << QStringLiteral("  %1: %2 ms, %3 %4 ms, ratio %5\n")
                   .arg(QLatin1String(what))
                   .arg(ms, 0, 'f', 1)
                   .arg(QLatin1String(floorName))
                   .arg(floorMs, 0, 'f', 1)
                   .arg(ms / floorMs, 0, 'f', 2);
        out.flush();
    };

    const QString xlsx = dir.filePath(QStringLiteral("log.xlsx"));
    const double ours = bestMs([&] { exporter::writeXlsx(g, xlsx, &error); });
    const double floor = bestMs([&] { plainXlsx(g, QFile::encodeName(dir.filePath(QStringLiteral("plain.xlsx")))); });
    line(".xlsx, 100000 rows", ours, "libxlsxwriter alone", floor);

    const QString csv = dir.filePath(QStringLiteral("log.csv"));
    const double oursCsv = bestMs([&] { exporter::writeCsv(g, csv, &error); });
    QFile f(csv);
    f.open(QIODevice::ReadOnly);
    const QByteArray csvBytes = f.readAll();
    f.close();
    const double floorCsv = bestMs([&] { plainWrite(dir.filePath(QStringLiteral("plain.csv")), csvBytes); });
    line(".csv, 100000 rows", oursCsv, "plain buffered write", floorCsv);

    const QString xls = dir.filePath(QStringLiteral("log.xls"));
    const double oursXls = bestMs([&] { exporter::writeXls(g, xls, &error); });
    const QByteArray same(QFileInfo(xls).size(), 'x');
    const double floorXls = bestMs([&] { plainWrite(dir.filePath(QStringLiteral("plain.xls")), same); });
    line(".xls, 100000 rows", oursXls, "plain buffered write", floorXls);
}

// Per worksheet of an .xlsx, in order: its <row> elements, its cells, its
// cells in column A (one a row that holds anything) and its last row number,
// streamed from the package's XML.
const char *const kCountSheetRows = R"py(
import re, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = [n for n in z.namelist() if re.fullmatch(r"xl/worksheets/sheet[0-9]+\.xml", n)]
for n in sorted(names, key=lambda n: int(re.findall(r"[0-9]+", n)[0])):
    rows = cells = first = last = 0
    tail = b""
    with z.open(n) as f:
        while True:
            chunk = f.read(1 << 24)
            buf = tail + chunk
            cut = buf.rfind(b"<") if chunk else len(buf)   # a tag is never split
            part, tail = buf[:cut], buf[cut:]
            rows += part.count(b"<row ")
            cells += part.count(b"<c ")
            first += part.count(b'<c r="A')
            found = re.findall(rb'<row r="([0-9]+)"', part)
            last = int(found[-1]) if found else last
            if not chunk:
                break
    print(n, rows, cells, first, last)
)py";

// A log one .xlsx worksheet cannot hold, written with the default sheet
// size, and every row of it counted back from the file.
void benchExportSheets()
{
    constexpr int extra = 5000;
    constexpr int rows = exporter::kXlsxRowsPerSheet + extra;
    const ExportGrid g = benchGrid(rows);
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-XXXXXX"));
    const QString xlsx = dir.filePath(QStringLiteral("long.xlsx"));
    QString error;
    bool written = false;
    const double writeMs = timeMs([&] { written = exporter::writeXlsx(g, xlsx, &error); });
    if (!written) {
        out << QStringLiteral("  .xlsx, %1 rows: not written: %2\n").arg(rows).arg(error);
        return;
    }
    QProcess count;
    QString counted;
    const double readMs = timeMs([&] {
        count.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QLatin1String(kCountSheetRows), xlsx});
        count.waitForFinished(600000);
        counted = QString::fromUtf8(count.readAllStandardOutput());
    });
    // Each sheet: the header, no element for the empty row, then its share
    // of the log in rows 3 on, six cells a row.
    const int shares[] = {exporter::kXlsxRowsPerSheet, extra};
    const QStringList sheets = counted.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList found;
    qint64 there = 0;
    bool whole = count.exitCode() == 0 && sheets.size() == 2;
    for (int k = 0; k < sheets.size(); ++k) {
        const QStringList f = sheets[k].split(QLatin1Char(' '));
        const qint64 rowsSeen = f.value(1).toLongLong(), cells = f.value(2).toLongLong();
        const qint64 inA = f.value(3).toLongLong(), last = f.value(4).toLongLong();
        const qint64 share = k < 2 ? shares[k] : -1;
        whole = whole && rowsSeen == share + 1 && cells == 6 * (share + 1) && inA == share + 1 && last == share + 2;
        found << QStringLiteral("Sheet%1 %2").arg(k + 1).arg(inA - 1);
        there += inA - 1;
    }
    out << QStringLiteral("  .xlsx, %1 rows (%2 a sheet): written in %3 ms, counted back in %4 ms: %5 rows; %6\n")
               .arg(rows)
               .arg(exporter::kXlsxRowsPerSheet)
               .arg(writeMs, 0, 'f', 1)
               .arg(readMs, 0, 'f', 1)
               .arg(found.isEmpty() ? QString::fromUtf8(count.readAllStandardError()).trimmed() : found.join(QStringLiteral(" + ")))
               .arg(whole && there == rows ? QStringLiteral("every row there")
                                           : QStringLiteral("ROWS MISSING (%1 of %2)").arg(there).arg(rows));
    out.flush();
}

// ------------------------------------------------------------- journal
// A journal holding `rows` unsaved level-probe rows of an earlier run on
// list 3, one a second, written in one statement: the set-up, not measured.
bool fillJournal(const QString &path, int rows)
{
    {
        Journal j;
        if (!j.open(path).ready())
            return false;   // the schema comes from the journal itself
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-fill"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        ok = db.open() && q.exec(QStringLiteral("PRAGMA journal_mode = OFF")) &&
             q.exec(QStringLiteral("PRAGMA synchronous = OFF")) &&
             q.exec(QStringLiteral("INSERT INTO sessions(opened) VALUES(0)")) &&
             q.exec(QStringLiteral("INSERT INTO lists(session, family, address) VALUES(last_insert_rowid(), 0, 3)"));
        const qint64 list = q.lastInsertId().toLongLong();
        q.prepare(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
            "INSERT INTO rows(list, taken, date, c1, c2, c3, c4, c5) "
            "SELECT ?, ? + i * 1000, '06/12/2026', "
            "printf('%02d:%02d:%02d', i / 3600 % 24, i / 60 % 60, i % 60), printf('%.4f', 1.2 + (i % 1000) * 0.0001), "
            "'mH2O', printf('%.2f', 20 + (i % 97) * 0.01), 'Centigrade' FROM n"));
        q.addBindValue(rows);
        q.addBindValue(list);
        q.addBindValue(QDateTime::currentMSecsSinceEpoch() - qint64(rows) * 1000);
        ok = ok && q.exec() && q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
    return ok;
}

int journalSize(int rows)
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    if (!fillJournal(path, rows))
        return 1;
    out << QStringLiteral("  %1 unsaved rows: %2 bytes (%3 MiB, %4 bytes/row)\n")
               .arg(rows)
               .arg(QFileInfo(path).size())
               .arg(QFileInfo(path).size() / 1048576.0, 0, 'f', 1)
               .arg(double(QFileInfo(path).size()) / rows, 0, 'f', 1);
    return 0;
}

void benchJournal()
{
    // Both journals are open at once and take their rows in short alternate
    // blocks, so that a slow moment of a shared disk falls on both alike;
    // each figure is the median of its blocks, with the best block beside it.
    constexpr int blocks = 41;
    constexpr int blockRows = 50;
    const int levels[] = {1000, 1000000};
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-XXXXXX"));
    std::vector<LogRow> fresh(blockRows);
    for (int i = 0; i < blockRows; ++i) {
        fresh[size_t(i)].date = QStringLiteral("07/12/2026");
        fresh[size_t(i)].cells = {QTime(0, 0).addSecs(i).toString(QStringLiteral("hh:mm:ss")),
                                  QString::number(1.2 + (i % 1000) * 1e-4, 'f', 4), QStringLiteral("mH2O"),
                                  QString::number(20.0 + (i % 97) * 0.01, 'f', 2), QStringLiteral("Centigrade")};
    }
    const QDateTime taken = QDateTime::currentDateTime();
    Journal journals[2];
    double openMs[2] = {0, 0};
    for (int l = 0; l < 2; ++l) {
        const QString path = dir.filePath(QStringLiteral("journal-%1.sqlite").arg(levels[l]));
        if (!fillJournal(path, levels[l])) {
            out << "  " << levels[l] << " rows: the journal cannot be filled\n";
            return;
        }
        QElapsedTimer t;
        t.start();
        const Journal::OpenResult opened = journals[l].open(path);
        openMs[l] = t.nsecsElapsed() / 1e6;
        if (!opened.ready()) {
            out << "  " << levels[l] << " rows: " << opened.reason << '\n';
            return;
        }
    }
    std::vector<double> with[2], alone[2];
    int failed = 0;
    LogStore stores[2];
    for (int b = 0; b < blocks; ++b)
        for (int l = 0; l < 2; ++l) {
            with[l].push_back(timeMs([&] {
                for (const LogRow &r : fresh) {
                    stores[l].insertTop(r);
                    failed += journals[l].append(0, 3, r, taken) ? 0 : 1;
                }
            }) * 1000.0 / blockRows);
            alone[l].push_back(timeMs([&] {
                LogStore s;
                for (const LogRow &r : fresh)
                    s.insertTop(r);
            }) * 1000.0 / blockRows);
        }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    for (int l = 0; l < 2; ++l) {
        QElapsedTimer t;
        t.start();
        journals[l].prune();
        const double pruneMs = t.nsecsElapsed() / 1e6;
        out << QStringLiteral("  %1 rows in the journal: %2 us/row with the journal (best %3), %4 us/row in "
                              "memory alone; open %5 ms, prune %6 ms\n")
                   .arg(levels[l])
                   .arg(median(with[l]), 0, 'f', 1)
                   .arg(*std::min_element(with[l].begin(), with[l].end()), 0, 'f', 1)
                   .arg(median(alone[l]), 0, 'f', 3)
                   .arg(openMs[l], 0, 'f', 1)
                   .arg(pruneMs, 0, 'f', 1);
    }
    out << QStringLiteral("  end/start %1%2; file at %3 rows %4 MiB\n")
               .arg(median(with[1]) / median(with[0]), 0, 'f', 3)
               .arg(failed ? QStringLiteral(" (%1 appends failed)").arg(failed) : QString())
               .arg(levels[1])
               .arg(QFileInfo(dir.filePath(QStringLiteral("journal-1000000.sqlite"))).size() / 1048576.0, 0, 'f', 1);
    out.flush();
}

// A console started after a run of weeks that was never saved: the
// journal's rows back in the log list, with its table and chart on show,
// from opening the journal to the chart drawn.
void benchRestore()
{
    for (int rows : {100000, int(Journal::kMaxRows)}) {
        QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-XXXXXX"));
        const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
        if (!fillJournal(path, rows)) {
            out << "  " << rows << " rows: the journal cannot be filled\n";
            return;
        }
        NoSleepClock clock;
        Run run(clock, SysDataRecord{});   // its level log, as the console makes it
        LogModel &model = *run.c->levelLog(3);
        LogList list(&model);
        LogChart chart;
        list.resize(500, 400);
        chart.resize(900, 400);
        list.show();
        chart.show();
        chart.setModel(&model, {QStringLiteral("Pressure"), QStringLiteral("Temperature")});
        QCoreApplication::processEvents();
        Journal j;
        double ms[4] = {0, 0, 0, 0};
        bool opened = false;
        int summed = 0;
        QVector<Journal::Restored> taken;
        ms[0] = timeMs([&] { opened = j.open(path).ready(); });
        ms[1] = timeMs([&] { summed = j.pending(0).total; });
        ms[2] = timeMs([&] {
            taken = j.takePending(0, {}, nullptr, [&model](int, const LogRow &row) { return model.measure(row); });
        });
        ms[3] = timeMs([&] {
            for (Journal::Restored &r : taken)
                model.appendMeasured(std::move(r.rows));
            QCoreApplication::processEvents();
            chart.redraw();
            list.viewport()->repaint();
            chart.view()->viewport()->repaint();
        });
        const int restored = model.size();
        const bool whole = opened && summed == rows && restored == rows;
        // The sensor then moved to another address: its list and its rows in the journal follow it.
        LogModel &there = *run.c->levelLog(5);
        bool moved = false;
        const double listMs = timeMs([&] { there.takeRows(model); });
        const double journalMs = timeMs([&] { moved = j.moveList(0, 3, 5); });
        moved = moved && there.size() == rows && model.size() == 0;
        // And its log saved: the journal's rows closed.
        bool closed = false;
        const double savedMs = timeMs([&] { closed = j.markSaved(0, 5, Journal::kAll); });
        out << QStringLiteral("  %1 rows: open %2 ms, the question's summary %3 ms, rows read %4 ms, into the list "
                              "and chart %5 ms; %6 s in all%7\n")
                   .arg(rows)
                   .arg(ms[0], 0, 'f', 0)
                   .arg(ms[1], 0, 'f', 0)
                   .arg(ms[2], 0, 'f', 0)
                   .arg(ms[3], 0, 'f', 0)
                   .arg((ms[0] + ms[1] + ms[2] + ms[3]) / 1000.0, 0, 'f', 2)
                   .arg(whole ? QString() : QStringLiteral(" (ROWS MISSING: %1 of %2)").arg(restored).arg(rows));
        out << QStringLiteral("    then moved to another address: the list %1 ms, the journal %2 ms%3; "
                              "then saved: the journal %4 ms%5\n")
                   .arg(listMs, 0, 'f', 1)
                   .arg(journalMs, 0, 'f', 0)
                   .arg(moved ? QString() : QStringLiteral(" (NOT MOVED)"))
                   .arg(savedMs, 0, 'f', 0)
                   .arg(closed ? QString() : QStringLiteral(" (NOT CLOSED)"));
        out.flush();
    }
}

// --------------------------------------------------------------- chart
// A reading added to a log of N readings and drawn, against the same at a
// thousand: the chart keeps a few points per pixel column, so both cost
// the same; its cache does not grow with the log.
void benchChart()
{
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 2'000'000'000LL;
    auto row = [start](int i) {
        LogRow r;
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(start + i * 1000LL);
        r.date = Clock::dateText(at.date());
        r.cells = {at.time().toString(QStringLiteral("hh:mm:ss")), QString::number(1.2 + (i % 1000) * 1e-4, 'f', 4),
                   QStringLiteral("mH2O"), QString::number(20.0 + (i % 97) * 0.01, 'f', 2),
                   QStringLiteral("Centigrade")};
        r.takenMs = at.toMSecsSinceEpoch();
        return r;
    };
    for (int n : {1000, 1000000}) {
        NoSleepClock clock;
        Run run(clock, SysDataRecord{});   // its level log, as the console makes it
        LogModel &model = *run.c->levelLog(3);
        LogStore older;
        for (int i = 0; i < n; ++i)
            older.insertTop(row(i));
        model.appendRows(older, 0);
        LogChart chart;
        chart.resize(900, 400);
        chart.show();
        chart.setModel(&model, {QStringLiteral("Pressure"), QStringLiteral("Temperature")});
        QCoreApplication::processEvents();
        chart.redraw();
        constexpr int rounds = 200;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < rounds; ++i) {
            model.insertTop(row(n + i));
            chart.redraw();
            chart.view()->viewport()->repaint();
        }
        const double redrawMs = t.nsecsElapsed() / 1e6 / rounds;
        t.restart();
        for (int i = 0; i < rounds; ++i)
            model.insertTop(row(n + rounds + i));
        const double addMs = t.nsecsElapsed() / 1e6 / rounds;
        const int bins = chart.data(0).binCount() + chart.data(1).binCount();
        out << QStringLiteral("chart, %1 readings: %2 ms per redraw, %3 ms per added reading\n")
                   .arg(n)
                   .arg(redrawMs, 0, 'f', 3)
                   .arg(addMs, 0, 'f', 4);
        out << QStringLiteral("  its cache: %1 bins, %2 bytes (%3 bytes per reading)\n")
                   .arg(bins)
                   .arg(bins * qsizetype(sizeof(ChartData::Bin)))
                   .arg(double(bins * sizeof(ChartData::Bin)) / n, 0, 'f', 3);
        out.flush();
    }
}

// ------------------------------------------------------------- start-up
// Reports on stdout when a window is first painted, then runs `then`.
class PaintProbe : public QObject
{
public:
    PaintProbe(const char *line, std::function<void()> then) : m_line(line), m_then(std::move(then)) {}
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("%s\n", m_line);
            std::fflush(stdout);
            QTimer::singleShot(0, o, m_then);
        }
        return false;
    }

private:
    const char *m_line;
    std::function<void()> m_then;
    bool m_done = false;
};

// The console as a user starts it, on the real port code and the system's
// port list: the start-up window, the level-probe family chosen as soon as
// it is painted, the main window; the process ends once that is painted.
int startupChild()
{
    QuietUi ui;
    Clock clock;
    QTemporaryDir dir;
    auto catalogue = std::make_shared<PortCatalogue>();
    HardwarePort port([catalogue](int n) { return catalogue->devices.value(n); });
    std::unique_ptr<MainWindow> main;
    StartupForm startup;
    QObject::connect(&startup, &StartupForm::chosen, &startup, [&](StartupForm::Family) {
        MainWindow::Platform p;
        p.ui = &ui;
        p.clock = &clock;
        p.port = &port;
        p.settingsPath = dir.filePath(QStringLiteral("Varno sysfile.cfg"));
        p.catalogue = [catalogue] {
            *catalogue = ports::systemCatalogue();
            return *catalogue;
        };
        main = std::make_unique<MainWindow>(p);
        main->setLevelProbeSensorType();
        startup.hide();
        main->installEventFilter(new PaintProbe("main-shown", [] { std::_Exit(0); }));
        main->Form_Load();
    });
    startup.installEventFilter(new PaintProbe("startup-shown", [&startup] { startup.LevelProbeButton->click(); }));
    startup.show();
    return QCoreApplication::exec();
}

void benchStartup(const QString &simPath)
{
    // The simulator on a pseudo-terminal, registered as COM1, so that the
    // console finds a port and scans as it does for a user.
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess simulator;
    simulator.setProcessEnvironment(env);
    simulator.start(simPath, {QStringLiteral("--com"), QStringLiteral("1"), QStringLiteral("--level"), QStringLiteral("0")});
    const QString link = runtime.path() + QStringLiteral("/sdi12-ports/COM1");
    QElapsedTimer wait;
    wait.start();
    while (!QFileInfo(link).isSymLink() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    QTemporaryDir home;
    env.insert(QStringLiteral("HOME"), home.path());
    double best[2] = {1e300, 1e300};
    for (int i = 0; i < 5; ++i) {
        QProcess console;
        console.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        console.start(QCoreApplication::applicationFilePath(), {QStringLiteral("startup-child")});
        double at[2] = {0, 0};
        int seen = 0;
        while (seen < 2 && console.state() != QProcess::NotRunning) {
            console.waitForReadyRead(100);
            while (console.canReadLine()) {
                const QByteArray l = console.readLine().trimmed();
                if (l == "startup-shown" && seen == 0)
                    at[seen++] = t.nsecsElapsed() / 1e6;
                else if (l == "main-shown" && seen == 1)
                    at[seen++] = t.nsecsElapsed() / 1e6;
            }
        }
        console.waitForFinished(10000);
        if (seen < 2) {
            out << "  start-up: the console did not report its windows\n";
            return;
        }
        best[0] = qMin(best[0], at[0]);
        best[1] = qMin(best[1], at[1] - at[0]);
    }
    out << QStringLiteral("  process start to start-up window shown: %1 ms; family chosen to main window shown: %2 ms "
                          "(best of 5)\n")
               .arg(best[0], 0, 'f', 1)
               .arg(best[1], 0, 'f', 1);
    simulator.terminate();
    simulator.waitForFinished(3000);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler(quietHandler);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("log-rows"))
        return logRows(args.value(1).toInt());
    if (args.value(0) == QLatin1String("startup-child"))
        return startupChild();
    if (args.value(0) == QLatin1String("journal-size"))
        return journalSize(args.value(1).toInt());
    const QString what = args.value(0, QStringLiteral("all"));
    const QString dir = QCoreApplication::applicationDirPath();
    auto section = [&](const char *name, const char *title, const std::function<void()> &run) {
        if (what != QLatin1String("all") && what != QLatin1String(name))
            return;
        out << title << '\n';
        out.flush();
        run();
    };
    section("link", "Link overhead against the simulated bus at 1200 baud:", [] { benchLink(); });
    section("log", "Log scale, rows appended through the decoder path:",
            [] { benchLog(QCoreApplication::applicationFilePath()); });
    section("export", "Export against its floor:", [] { benchExport(); });
    section("export-sheets", "Export of a log longer than a worksheet:", [] { benchExportSheets(); });
    section("journal", "Journal, per row appended (one synced transaction a row):", [] { benchJournal(); });
    section("restore", "Journal restored at start-up:", [] { benchRestore(); });
    section("chart", "Chart, a reading added and drawn:", [] { benchChart(); });
    section("startup", "Start-up:", [&] {
        benchStartup(dir + QStringLiteral("/sdi12-sim"));
    });
    out.flush();
    return 0;
}
