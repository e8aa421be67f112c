#include "Cli.h"

#include "discovery/Console.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "link/HardwarePort.h"
#include "link/PortMenu.h"
#include "logging/JournalKeeper.h"
#include "logging/LogExport.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "logging/ParameterProfile.h"
#include "logging/ParameterReport.h"
#include "logging/ReportFile.h"
#include "params/LevelParams.h"
#include "params/RotaryParams.h"
#include "params/Parameters.h"
#include "params/SensorTools.h"

#include <algorithm>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#endif

namespace cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onStopSignal(int)
{
    g_stop = 1;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}
QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

// One line on standard error, the program's name first.
void say(const QString &line)
{
    err() << "sdi12-cli: " << line << Qt::endl;
}

// The platform edges on a terminal: messages are lines on standard error,
// questions are answered by --yes, the save dialog names --out.
struct TerminalUi : Ui {
    bool yes = false;
    bool quiet = false;   // notes and questions not shown
    bool mute = false;    // nothing shown
    int warnings = 0;
    QString saveAs;
    QStringList messages;   // since the last clear, "title text"

    void message(Icon icon, const QString &title, const QString &text) override
    {
        const QString line = title + QLatin1Char(' ') + QString(text).replace(QLatin1Char('\r'), QLatin1Char(' '));
        messages << line;
        if (icon == Icon::Exclamation)
            ++warnings;
        if (!mute && (icon == Icon::Exclamation || !quiet))
            say(line);
    }
    bool askYesNo(const QString &title, const QString &text) override
    {
        if (!quiet && !mute)
            say(title + QLatin1Char(' ') + QString(text).replace(QLatin1Char('\r'), QLatin1Char(' ')) +
                (yes ? QStringLiteral(" Yes (--yes).") : QStringLiteral(" No (--yes would answer Yes).")));
        return yes;
    }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override
    {
        const QString suffix = QFileInfo(saveAs).suffix().toLower();
        const int index = suffix == QLatin1String("xls") ? 1 : suffix == QLatin1String("xlsx") ? 2 : 3;
        return {!saveAs.isEmpty(), saveAs, index};
    }
};

struct Command {
    const char *name;
    const char *synopsis;
    const char *help;
};

const Command kCommands[] = {
    {"ports", "ports", "The serial devices the console would list: COM number, path and USB identity."},
    {"scan", "scan", "Scans addresses 0-9 for sensors of the family and prints the sensor table of those found."},
    {"get", "get ADDR [NAME...]",
     "Reads parameters of the sensor at ADDR from it, by name (all of the family without a NAME)."},
    {"set", "set ADDR NAME=VALUE...",
     "Sets parameters of the sensor at ADDR, in the order given, with the commands and checks of the tab's Set "
     "buttons, and prints what the sensor answered. Nothing is sent when a value would be refused."},
    {"send", "send COMMAND...",
     "Sends raw commands as the User Command window does (the text as typed, address and \"!\" included) and prints "
     "each answer, with whether its CRC is right where it carries one (aRCn!, and the data after aMC! or aCC!)."},
    {"log", "log ADDR --period SECONDS [--for DURATION] [--out FILE.csv|.xlsx|.xls]",
     "Logs the sensor at ADDR every SECONDS (a period its logging list offers) into the journal, until DURATION "
     "has passed (seconds, or a number with s, m, h or d) or Ctrl+C or SIGTERM, then writes FILE. A status line "
     "goes to standard error. A lost adapter is looked for and logging resumes when it is back."},
    {"report", "report ADDR [--out FILE]",
     "Reads the sensor at ADDR and writes its parameter report, as the window's File > Save As... does, to FILE "
     "or standard output."},
    {"apply", "apply ADDR REPORT [--yes | --dry-run]",
     "Compares the settable parameters of a saved parameter report with the sensor at ADDR, shows what differs "
     "and, with --yes, sets each with its normal command, reads it back and says what still differs."},
};

class Cli
{
public:
    explicit Cli(const QStringList &arguments) : m_arguments(arguments) {}
    int run();

private:
    void usage(const Command *c) const;
    bool open(bool scan);
    int address(const QString &text);
    int ports();
    int scan();
    int get();
    int set();
    int send();
    int log();
    int report();
    int apply();
    bool quietWait(const std::function<void()> &send);
    void print(const QJsonValue &json, const QString &text);

    QStringList m_arguments;
    QCommandLineParser m_parser;
    QStringList m_args;   // positional, the sub-command first
    TerminalUi m_ui;
    Clock m_clock;
    std::shared_ptr<PortCatalogue> m_listed = std::make_shared<PortCatalogue>();
    std::unique_ptr<HardwarePort> m_port;
    std::unique_ptr<Console> m_core;
    bool m_json = false;
};

void Cli::usage(const Command *c) const
{
    QTextStream &o = out();
    if (c) {
        o << "Usage: sdi12-cli " << c->synopsis << " [options]\n\n" << c->help << "\n\n";
    } else {
        o << "Usage: sdi12-cli COMMAND [options]\n\nThe SDI-12 console from a shell. Commands:\n";
        for (const Command &k : kCommands)
            o << "  " << QString::fromLatin1(k.synopsis).leftJustified(32) << "\n      " << k.help << "\n";
        o << "\n'sdi12-cli COMMAND --help' tells more of one.\n\n";
    }
    o << "Options:\n"
         "  --port COMn|PATH     the port (default: the one in the console's settings file)\n"
         "  --family level|rotary|converter   the sensors on the bus (default level)\n"
         "  --json               one JSON document on standard output\n"
         "  --quiet              no status or notes on standard error\n"
         "  --yes                answer Yes to the questions (apply; restoring unsaved readings)\n"
         "  --dry-run            apply: only show what would change\n"
         "  --period SECONDS     log: the logging period\n"
         "  --for DURATION       log: how long (seconds, or a number with s, m, h or d)\n"
         "  --out FILE           log, report: the file to write\n"
         "  -h, --help           this help\n"
         "  -v, --version        the version\n"
         "Exit status: 0 done, 1 no answer or no sensor, 2 usage, 3 the port cannot be opened, 4 file errors.\n";
    o.flush();
}

void Cli::print(const QJsonValue &json, const QString &text)
{
    if (m_json)
        out() << (json.isArray() ? QJsonDocument(json.toArray()) : QJsonDocument(json.toObject()))
                     .toJson(QJsonDocument::Indented);
    else if (!text.isEmpty())
        out() << text << (text.endsWith(QLatin1Char('\n')) ? "" : "\n");
    out().flush();
}

int Cli::address(const QString &text)
{
    bool ok = false;
    const int a = text.toInt(&ok);
    return ok && text.size() == 1 && a >= 0 && a <= 9 ? a : -1;
}

// The run on the port: settings read, the port opened as --port or the
// settings file says (without storing a choice), and, where asked, the scan.
bool Cli::open(bool withScan)
{
    // The console's own folders for settings and journal.
    QCoreApplication::setApplicationName(QStringLiteral("sdi12-console"));
    Console::Platform p = Console::Platform::ofUser(m_ui, m_clock);
    // The port's lock names this program to another one that asks.
    QCoreApplication::setApplicationName(QStringLiteral("sdi12-cli"));
    const QString portOption = m_parser.value(QStringLiteral("port"));
    static const QRegularExpression comN(QStringLiteral("^COM([1-9]|1[0-6])$"), QRegularExpression::CaseInsensitiveOption);
    const auto com = comN.match(portOption);
    const QString path = !portOption.isEmpty() && !com.hasMatch() ? portOption : QString();
    p.catalogue = [this, path] {
        if (path.isEmpty()) {
            *m_listed = ports::systemCatalogue();
        } else {
            // A path given: it is COM1 for this run.
            m_listed->names = {path + QStringLiteral(" (COM1)")};
            m_listed->devices = {{1, path}};
            PortIdentity id;
            id.path = path;
            m_listed->identities = {{1, id}};
        }
        return *m_listed;
    };
    m_port = std::make_unique<HardwarePort>([this](int n) { return m_listed->devices.value(n); });
    p.port = m_port.get();
    m_core = std::make_unique<Console>(p);
    Console &c = *m_core;
    const QString family = m_parser.value(QStringLiteral("family"));
    if (family == QLatin1String("rotary") || family == QLatin1String("converter"))
        c.setRotaryEncoderSensorType();
    c.prepare();
    c.settings->readSettings();
    const int port = path.isEmpty() ? (com.hasMatch() ? com.captured(1).toInt() : c.CommPort) : 1;
    if (!withScan)
        c.ScanOnConnect = 0;
    m_ui.mute = true;   // the console's "no sensors" box on a failed opening: said below
    const int warningsBefore = m_ui.warnings;
    const bool opened = c.ports->OpenCommPort(port);
    m_ui.mute = false;
    if (!opened) {
        m_ui.warnings = warningsBefore;
        const QString device = m_listed->devices.value(port);
        say(QStringLiteral("cannot open COM%1%2: %3")
                .arg(port)
                .arg(device.isEmpty() ? QString() : QStringLiteral(" (") + device + QLatin1Char(')'),
                     m_port->errorString()));
        return false;
    }
    c.settle();
    return true;
}

// Sends what `send` sends and waits for the bus; false when the exchange
// timed out (no answer).
bool Cli::quietWait(const std::function<void()> &sendIt)
{
    Console &c = *m_core;
    c.link.ResponseState = Link::Waiting;
    const quint64 before = c.link.sentCount();
    c.press(-1, sendIt);
    c.settle();
    return c.link.sentCount() == before || c.link.ResponseState != Link::TimedOut;
}

int Cli::ports()
{
    const PortCatalogue cat = ports::systemCatalogue();
    QJsonArray list;
    QStringList lines;
    for (auto it = cat.devices.cbegin(); it != cat.devices.cend(); ++it) {
        const PortIdentity id = cat.identities.value(it.key());
        QString name;
        for (const QString &n : cat.names)
            if (n.contains(QStringLiteral("(COM%1)").arg(it.key())))
                name = n;
        QJsonObject o{{"com", it.key()}, {"path", it.value()}, {"name", name}};
        QString usb;
        if (id.vendor >= 0) {
            o.insert(QStringLiteral("vendor"), QStringLiteral("%1").arg(id.vendor, 4, 16, QLatin1Char('0')));
            o.insert(QStringLiteral("product"), QStringLiteral("%1").arg(id.product, 4, 16, QLatin1Char('0')));
            usb = QStringLiteral("  USB %1:%2").arg(id.vendor, 4, 16, QLatin1Char('0')).arg(id.product, 4, 16, QLatin1Char('0'));
        }
        if (!id.serialNumber.isEmpty()) {
            o.insert(QStringLiteral("serial"), id.serialNumber);
            usb += QStringLiteral(" serial ") + id.serialNumber;
        }
        list.append(o);
        lines << QStringLiteral("COM%1  %2  %3%4").arg(it.key()).arg(it.value(), name, usb);
    }
    print(list, lines.join(QLatin1Char('\n')));
    return Done;
}

int Cli::scan()
{
    if (!open(true))
        return PortFailed;
    Console &c = *m_core;
    const SensorTable &t = *c.table;
    QStringList headings = SensorTable::headings(c.SensorType);
    if (c.SensorType)
        headings.removeLast();   // the rotary rows' seventh cell has no heading
    // JSON keys: the headings, the two level "Units" by what they are.
    QStringList keys = headings;
    if (!c.SensorType) {
        keys[5] = QStringLiteral("Pressure Units");
        keys[7] = QStringLiteral("Temperature Units");
    }
    QJsonArray found;
    QStringList lines{headings.join(QLatin1Char('\t'))};
    for (int a = 0; a < 10; ++a) {
        if (!t.present(a))
            continue;
        QJsonObject o{{"address", a}};
        QStringList cells;
        for (int col = 0; col < headings.size(); ++col) {
            const QString cell = col == 0 ? QString::number(a) : t.cell(a, col);
            cells << cell;
            if (col > 0)
                o.insert(keys[col], cell);
        }
        found.append(o);
        lines << cells.join(QLatin1Char('\t'));
    }
    // The scan ran muted with the port's opening: its "no sensors" box is said here.
    if (found.isEmpty())
        say(QStringLiteral("Scan Sensors... No sensors were found. Please check connections and addresses."));
    print(found, found.isEmpty() ? QString() : lines.join(QLatin1Char('\n')));
    return found.isEmpty() ? NoAnswer : Done;
}

int Cli::get()
{
    const int a = address(m_args.value(1));
    if (a < 0) {
        say(QStringLiteral("get: an address 0-9 is wanted, then parameter names"));
        return Usage;
    }
    const bool rotary = m_parser.value(QStringLiteral("family")) != QLatin1String("level") &&
                        !m_parser.value(QStringLiteral("family")).isEmpty();
    QStringList names = m_args.mid(2);
    if (names.isEmpty())
        names = parameters::names(rotary);
    for (const QString &n : names)
        if (!parameters::find(rotary, n)) {
            say(QStringLiteral("get: no parameter \"%1\"; the %2 family has: %3")
                    .arg(n, rotary ? QStringLiteral("rotary") : QStringLiteral("level"),
                         parameters::names(rotary).join(QStringLiteral(", "))));
            return Usage;
        }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    QJsonObject o{{"address", a}};
    QStringList lines;
    for (const QString &n : names) {
        const Parameter *p = parameters::find(rotary, n);
        if (!quietWait([&] { p->query(c, a); })) {
            say(QStringLiteral("no answer from the sensor at %1 to its %2 query").arg(a).arg(n));
            return NoAnswer;
        }
        const QString v = parameters::value(c, a, *p);
        o.insert(n, p->kind == Parameter::Kind::Lines ? QJsonValue(QJsonArray::fromStringList(v.split(QLatin1Char('\n'))))
                                                      : QJsonValue(v));
        lines << (p->kind == Parameter::Kind::Lines ? n + QStringLiteral(":\n  ") + QString(v).replace(QLatin1Char('\n'), QStringLiteral("\n  "))
                                                    : n + QStringLiteral(" = ") + v);
    }
    print(o, lines.join(QLatin1Char('\n')));
    return Done;
}

int Cli::set()
{
    const int a = address(m_args.value(1));
    if (a < 0 || m_args.size() < 3) {
        say(QStringLiteral("set: an address 0-9 is wanted, then NAME=VALUE pairs"));
        return Usage;
    }
    const bool rotary = !m_parser.value(QStringLiteral("family")).isEmpty() &&
                        m_parser.value(QStringLiteral("family")) != QLatin1String("level");
    QVector<QPair<const Parameter *, QString>> pairs;
    for (const QString &arg : m_args.mid(2)) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const Parameter *p = eq > 0 ? parameters::find(rotary, arg.left(eq)) : nullptr;
        if (!p || !p->settable) {
            say(QStringLiteral("set: \"%1\" is not NAME=VALUE with a parameter that can be set: %2")
                    .arg(arg, parameters::names(rotary, true).join(QStringLiteral(", "))));
            return Usage;
        }
        pairs.push_back({p, arg.mid(eq + 1)});
    }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    // A range is set only while the sensor is unlocked: unless the command
    // line unlocks it first, its lock state is read as the tab's Unlock
    // query reads it.
    for (const auto &[p, v] : pairs) {
        if (QLatin1String(p->name) == QLatin1String("unlock"))
            break;
        if (!parameters::refusal(c, a, *p).isEmpty()) {
            if (!quietWait([&] { c.level->UnlockQueryBut_Click(a); })) {
                say(QStringLiteral("no answer from the sensor at %1 to its lock query").arg(a));
                return NoAnswer;
            }
            break;
        }
    }
    // A rotary encoder's resolution follows from its units, pulley and
    // counts together: a set of one of them needs the other two as the tab
    // has them from its scan, so all three are read first.
    static const QStringList resolution = {QStringLiteral("measurement-units"), QStringLiteral("pulley-circumference"),
                                           QStringLiteral("counts-per-rev")};
    if (rotary && std::any_of(pairs.begin(), pairs.end(),
                              [](const auto &pv) { return resolution.contains(QLatin1String(pv.first->name)); }))
        for (const QString &name : resolution)
            if (!quietWait([&] { parameters::find(true, name)->query(c, a); })) {
                say(QStringLiteral("no answer from the sensor at %1 to its %2 query").arg(a).arg(name));
                return NoAnswer;
            }
    // Every value is put into its field first, as the tab takes it; one the
    // tab refuses stops everything else being sent.
    for (const auto &[p, v] : pairs) {
        QString why;
        if (!parameters::put(c, a, *p, v, &why) || !(why = parameters::refusal(c, a, *p)).isEmpty()) {
            say(QString(why).replace(QLatin1Char('\r'), QLatin1Char(' ')));
            return Usage;
        }
    }
    QJsonObject o{{"address", a}};
    QStringList lines;
    for (const auto &[p, v] : pairs) {
        QString why;
        parameters::put(c, a, *p, v, &why);
        const int warnings = m_ui.warnings;
        if (!quietWait([&] { p->set(c, a); })) {
            say(QStringLiteral("no answer from the sensor at %1 to the %2 set").arg(a).arg(QString::fromLatin1(p->name)));
            return NoAnswer;
        }
        if (m_ui.warnings != warnings)
            return Usage;
        const QString now = parameters::value(c, a, *p);
        o.insert(QString::fromLatin1(p->name), now);
        lines << QString::fromLatin1(p->name) + QStringLiteral(" = ") + now;
    }
    print(o, lines.join(QLatin1Char('\n')));
    return Done;
}

int Cli::send()
{
    const QStringList commands = m_args.mid(1);
    if (commands.isEmpty()) {
        say(QStringLiteral("send: a command is wanted, for example 0I!"));
        return Usage;
    }
    for (const QString &cmd : commands)
        if (SensorTools::isMaintenanceCode(cmd)) {
            say(QStringLiteral("send: MAINTENANCE opens the timing settings in the console; nothing was sent"));
            return Usage;
        }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    c.tools->mnuUserCommand_Click();
    QJsonArray answers;
    QStringList lines;
    int result = Done;
    for (const QString &cmd : commands) {
        quietWait([&] { c.tools->SubmitBut_Click(cmd); });
        const QString answer = c.win.ReceivedText.text();
        QJsonObject o{{"command", cmd}, {"answer", answer}};
        QString line = answer.isEmpty() ? cmd + QStringLiteral(": no answer") : answer;
        if (!c.win.CrcText.text().isEmpty()) {
            o.insert(QStringLiteral("crc"), c.win.CrcText.text());
            line += QStringLiteral("  ") + c.win.CrcText.text();
        }
        if (answer.isEmpty())
            result = NoAnswer;
        answers.append(o);
        lines << line;
    }
    c.link.UserCommandFlag = false;
    print(answers, lines.join(QLatin1Char('\n')));
    return result;
}

int Cli::log()
{
    const int a = address(m_args.value(1));
    bool ok = false;
    const int period = m_parser.value(QStringLiteral("period")).toInt(&ok);
    const QString forText = m_parser.value(QStringLiteral("for"));
    const qint64 forMs = forText.isEmpty() ? 0 : durationMs(forText);
    const QString outFile = m_parser.value(QStringLiteral("out"));
    const QString suffix = QFileInfo(outFile).suffix().toLower();
    if (a < 0 || !ok || period <= 0 || forMs < 0 ||
        (!outFile.isEmpty() && suffix != QLatin1String("csv") && suffix != QLatin1String("xlsx") &&
         suffix != QLatin1String("xls"))) {
        say(QStringLiteral("log: log ADDR --period SECONDS [--for DURATION] [--out FILE.csv|.xlsx|.xls]"));
        return Usage;
    }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    // The readings a killed run left unsaved are offered back (--yes takes them).
    c.journal->open();
    ListField &list = c.tab[static_cast<size_t>(a)]->periods(c.SensorType);
    // What each row shows besides the values: the units, read from the
    // sensor; a level probe's periods follow its maximum sample rate.
    const std::vector<std::function<void()>> reads =
        c.SensorType ? std::vector<std::function<void()>>{[&] { c.rotary->QueryRotaryMeasurementUnitsBut_Click(a); }}
                     : std::vector<std::function<void()>>{[&] { c.level->PressUnitsQueryBut_Click(a); },
                                                          [&] { c.level->TempUnitsQueryBut_Click(a); },
                                                          [&] { c.level->FilterQuery(a); }};
    for (const auto &r : reads)
        if (!quietWait(r)) {
            say(QStringLiteral("no answer from the sensor at %1").arg(a));
            return NoAnswer;
        }
    if (!c.SensorType)
        FillLogPeriods(list, c.tab[static_cast<size_t>(a)]->SampleRateText.text());
    const int item = list.findData(period);
    if (item < 0) {
        QStringList offered;
        for (int i = 1; i < list.count(); ++i)
            offered << QString::number(list.itemData(i));
        say(QStringLiteral("log: Sensor %1 offers periods of %2 seconds, not %3%4")
                .arg(a)
                .arg(offered.join(QStringLiteral(", ")))
                .arg(period)
                .arg(c.SensorType ? QString()
                                  : QStringLiteral(" (its maximum sample rate is %1)")
                                        .arg(c.tab[static_cast<size_t>(a)]->SampleRateText.text())));
        return Usage;
    }
    list.select(item);
    const bool tty = isatty(fileno(stderr));
    QString lastStatus;
    QElapsedTimer sinceStatus;
    sinceStatus.start();
    QObject::connect(&c, &Console::changed, &c, [&](int t, int id) {
        if (t != -1 || id != c.win.StatusLogging.id() || m_ui.quiet)
            return;
        const QString s = c.win.StatusLogging.text();
        if (s == lastStatus || s.isEmpty())
            return;
        // On a terminal the one line is redrawn; to a log, a line now and
        // then, and every pause, resumption and stop.
        const bool event = s.contains(QLatin1String("paused")) || s.contains(QLatin1String("Resumed")) !=
                           lastStatus.contains(QLatin1String("Resumed")) || s.contains(QLatin1String("stopped"));
        lastStatus = s;
        if (tty)
            err() << '\r' << s << "\x1b[K" << Qt::flush;
        else if (event || sinceStatus.elapsed() >= 60000) {
            err() << s << Qt::endl;
            sinceStatus.restart();
        }
    });
    const int rowsBefore = c.log(a)->size();
    // Ctrl+C or SIGTERM from here on stops the run cleanly, also while its first reading is under way.
    g_stop = 0;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    c.logging->SecondTimer.start();
    c.press(a, [&] { c.SensorType ? c.logging->RotaryStartLogBut_Click(a) : c.logging->StartLogBut_Click(a); });
    if (c.LoggingTab == 0) {
        say(QStringLiteral("log: logging did not start"));
        return Usage;
    }
    QEventLoop loop;
    QTimer poll;
    // The end of the time given is watched here, not left to a timer of its own: a timer holds at most 2^31 ms
    // (under 25 days), and a longer run would stop at the wrong time or never.
    QElapsedTimer running;
    running.start();
    bool timeUp = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        timeUp = forMs > 0 && running.elapsed() >= forMs;
        if (g_stop || timeUp)
            loop.quit();
    });
    poll.start(100);
    loop.exec();
    // Stop cleanly: the reading under way is finished first.
    c.settle();
    if (timeUp)
        c.logging->stopAll(QStringLiteral("after the time given"));
    else
        c.SensorType ? c.logging->RotaryStopLogBut_Click(a) : c.logging->StopLogBut_Click(a);
    c.settle();
    if (tty && !m_ui.quiet)
        err() << Qt::endl;
    const int readings = c.log(a)->size();
    int result = Done;
    if (!outFile.isEmpty()) {
        m_ui.saveAs = outFile;
        const int warnings = m_ui.warnings;
        c.exporter->SaveLogBut_Click(a);
        if (m_ui.warnings != warnings || !QFileInfo::exists(outFile))
            result = FileFailed;
    }
    QJsonObject o{{"address", a}, {"readings", readings}, {"new", readings - rowsBefore}};
    if (!outFile.isEmpty())
        o.insert(QStringLiteral("file"), outFile);
    print(o, m_ui.quiet ? QString()
                        : QStringLiteral("%1 in the log of Sensor %2%3")
                              .arg(LogModel::readingsText(readings))
                              .arg(a)
                              .arg(outFile.isEmpty() || result != Done ? QString() : QStringLiteral(", saved to ") + outFile));
    return result;
}

int Cli::report()
{
    const int a = address(m_args.value(1));
    if (a < 0) {
        say(QStringLiteral("report: an address 0-9 is wanted"));
        return Usage;
    }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    if (!c.scanner->readSensor(a)) {
        say(QStringLiteral("no sensor of the family answers at %1").arg(a));
        return NoAnswer;
    }
    c.setCurrentTab(a);
    const QStringList lines = c.SensorType ? c.report->WriteRotaryReport(a) : c.report->WriteLevelReport(a);
    const QString file = m_parser.value(QStringLiteral("out"));
    if (!file.isEmpty()) {
        QString error;
        if (!report::write(file, lines, &error)) {
            say(QStringLiteral("Error encountered while saving file. ") + error);
            return FileFailed;
        }
    } else if (!m_json) {
        const QByteArray bytes = report::text(lines);
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return Done;
    }
    if (m_json)
        print(QJsonObject{{"address", a}, {"lines", QJsonArray::fromStringList(lines)}}, QString());
    return Done;
}

int Cli::apply()
{
    const int a = address(m_args.value(1));
    const QString file = m_args.value(2);
    if (a < 0 || file.isEmpty() || (m_parser.isSet(QStringLiteral("yes")) && m_parser.isSet(QStringLiteral("dry-run")))) {
        say(QStringLiteral("apply: apply ADDR REPORT [--yes | --dry-run]"));
        return Usage;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("the report %1 could not be read: %2").arg(file, f.errorString()));
        return FileFailed;
    }
    const QString text = QString::fromUtf8(f.readAll());
    // The report is read before the port opens: one that does not read is
    // refused with nothing sent.
    {
        Console::Platform p;
        TerminalUi ui;
        Clock clock;
        p.ui = &ui;
        p.clock = &clock;
        HardwarePort port({});
        p.port = &port;
        Console probe(p);
        const QString family = m_parser.value(QStringLiteral("family"));
        if (family == QLatin1String("rotary") || family == QLatin1String("converter"))
            probe.setRotaryEncoderSensorType();
        probe.prepare();
        QString error;
        if (!probe.profile->read(text, &error)) {
            say(error);
            return Usage;
        }
    }
    if (!open(false))
        return PortFailed;
    Console &c = *m_core;
    ParameterProfile &profile = *c.profile;
    QString error;
    profile.read(text, &error);
    QVector<ParameterProfile::Change> changes;
    if (!profile.compare(a, &changes, &error)) {
        say(error);
        return NoAnswer;
    }
    auto json = [&](bool after) {
        QJsonArray list;
        for (const auto &ch : changes) {
            QJsonObject o{{"parameter", QString::fromLatin1(ch.parameter->name)}, {"before", ch.before}, {"wanted", ch.wanted}};
            if (after) {
                o.insert(QStringLiteral("after"), ch.after);
                o.insert(QStringLiteral("done"), ch.done);
            }
            list.append(o);
        }
        return QJsonObject{{"address", a}, {"changes", list}};
    };
    if (changes.isEmpty()) {
        print(json(false), QStringLiteral("Sensor %1 has every parameter of the report already.").arg(a));
        return Done;
    }
    const QStringList planned = ParameterProfile::describe(changes);
    if (m_parser.isSet(QStringLiteral("dry-run"))) {
        print(json(false), planned.join(QLatin1Char('\n')));
        return Done;
    }
    if (!m_parser.isSet(QStringLiteral("yes"))) {
        err() << planned.join(QLatin1Char('\n')) << Qt::endl;
        say(QStringLiteral("apply: nothing set; --yes sets these, --dry-run only shows them"));
        return Usage;
    }
    if (!m_json)
        out() << planned.join(QLatin1Char('\n')) << Qt::endl;
    profile.apply(a, changes);
    const QStringList left = ParameterProfile::describe(changes, true);
    print(json(true), left.isEmpty() ? QStringLiteral("Sensor %1 has every parameter of the report now.").arg(a)
                                     : QStringLiteral("Still different:\n") + left.join(QLatin1Char('\n')));
    return left.isEmpty() ? Done : NoAnswer;
}

int Cli::run()
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions({{QStringLiteral("port"), QString(), QStringLiteral("port")},
                         {QStringLiteral("family"), QString(), QStringLiteral("family"), QStringLiteral("level")},
                         {QStringLiteral("json"), QString()},
                         {QStringLiteral("quiet"), QString()},
                         {QStringLiteral("yes"), QString()},
                         {QStringLiteral("dry-run"), QString()},
                         {QStringLiteral("period"), QString(), QStringLiteral("seconds")},
                         {QStringLiteral("for"), QString(), QStringLiteral("duration")},
                         {QStringLiteral("out"), QString(), QStringLiteral("file")},
                         {{QStringLiteral("h"), QStringLiteral("help")}, QString()},
                         {{QStringLiteral("v"), QStringLiteral("version")}, QString()}});
    if (!m_parser.parse(m_arguments)) {
        say(m_parser.errorText());
        return Usage;
    }
    m_args = m_parser.positionalArguments();
    const Command *command = nullptr;
    for (const Command &k : kCommands)
        if (m_args.value(0) == QLatin1String(k.name))
            command = &k;
    if (m_parser.isSet(QStringLiteral("version"))) {
        out() << "sdi12-cli " << QCoreApplication::applicationVersion() << Qt::endl;
        return Done;
    }
    if (m_parser.isSet(QStringLiteral("help"))) {
        usage(command);
        return Done;
    }
    if (!command) {
        say(m_args.isEmpty() ? QStringLiteral("a command is wanted ('sdi12-cli --help' lists them)")
                             : QStringLiteral("no command \"%1\" ('sdi12-cli --help' lists them)").arg(m_args.value(0)));
        return Usage;
    }
    static const QStringList families = {"level", "rotary", "converter"};
    if (!families.contains(m_parser.value(QStringLiteral("family")))) {
        say(QStringLiteral("--family is level, rotary or converter"));
        return Usage;
    }
    m_json = m_parser.isSet(QStringLiteral("json"));
    m_ui.quiet = m_parser.isSet(QStringLiteral("quiet"));
    m_ui.yes = m_parser.isSet(QStringLiteral("yes"));
    const QString name = QString::fromLatin1(command->name);
    int result = Usage;
    if (name == QLatin1String("ports"))
        result = ports();
    else if (name == QLatin1String("scan"))
        result = scan();
    else if (name == QLatin1String("get"))
        result = get();
    else if (name == QLatin1String("set"))
        result = set();
    else if (name == QLatin1String("send"))
        result = send();
    else if (name == QLatin1String("log"))
        result = log();
    else if (name == QLatin1String("report"))
        result = report();
    else if (name == QLatin1String("apply"))
        result = apply();
    if (m_core)
        m_core->quit();
    return result;
}

} // namespace

qint64 durationMs(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)([smhd]?)$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return -1;
    const double n = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double factor = unit == QLatin1String("m") ? 60 : unit == QLatin1String("h") ? 3600 : unit == QLatin1String("d") ? 86400 : 1;
    return static_cast<qint64>(n * factor * 1000.0);
}

int run(const QStringList &arguments)
{
    Cli c(arguments);
    return c.run();
}

} // namespace cli
