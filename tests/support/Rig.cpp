#include "Rig.h"

#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "discovery/SysData.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (previousHandler)
        previousHandler(type, context, msg);
}
} // namespace

void installQuietHandler()
{
    static bool done = false;
    if (!done) {
        previousHandler = qInstallMessageHandler(quietHandler);
        done = true;
    }
}

RunState stateOf(const Console &c)
{
    RunState s;
    std::vector<Control *> all = c.win.controls();
    for (const auto &t : c.tab)
        all.insert(all.end(), t->controls().begin(), t->controls().end());
    using K = Control::Kind;
    for (const Control *x : all) {
        if (x == &c.win.StatusPanel3)
            continue;   // the clock, which a timer of its own sets every second
        QString v = QString(x->isEnabled() ? "on" : "off") + (x->isVisible() ? "" : " hidden");
        switch (x->kind()) {
        case K::Text: v += " \"" + static_cast<const TextField *>(x)->text() + '"'; break;
        case K::List: {
            const auto *l = static_cast<const ListField *>(x);
            v += QString(" \"%1\" #%2 of [%3]").arg(l->text()).arg(l->currentIndex()).arg(l->items().join(';'));
            for (int i = 0; i < l->count(); ++i)
                v += i ? QString(",%1").arg(l->itemData(i)) : QString(" data %1").arg(l->itemData(i));
            break;
        }
        case K::Check: v += QString(" ") + "0g1"[static_cast<const CheckField *>(x)->checkState()]; break;
        case K::Lines: v += " [" + static_cast<const LinesField *>(x)->lines().join(';') + ']'; break;
        case K::Entry: {
            const auto *e = static_cast<const EntryField *>(x);
            v += " \"" + e->caption() + (e->isChecked() ? "\" [x]" : "\" [ ]");
            break;
        }
        case K::Value: v += ' ' + QString::number(static_cast<const ValueField *>(x)->value()); break;
        default: break;
        }
        s[QString("%1:%2").arg(x->tab()).arg(x->name())] = v;
    }
    const SensorTable &table = *c.table;
    for (int a = 0; a < 10; ++a) {
        QStringList cells;
        for (int i = 0; i < table.columnCount(); ++i)
            cells << table.cell(a, i);
        s[QString("table %1").arg(a)] = (table.present(a) ? "present |" : "absent |") + cells.join('|');
        for (LogModel *log : {c.levelLog(a), c.rotaryLog(a)}) {
            QStringList rows;
            for (int r = 0; r < log->size(); ++r) {
                QStringList row;
                for (int i = 0; i < log->columnCount(); ++i)
                    row << log->text(r, i);
                rows << row.join(',');
            }
            s[QString("log %1 %2").arg(a).arg(log == c.levelLog(a) ? "level" : "rotary")] = rows.join(" / ");
        }
        s[QString("waits %1").arg(a)] = QString("logging %1 ticks %2 measurement %3 set point %4")
                                              .arg(c.LogEnabled[a]).arg(c.LogTickCount[a])
                                              .arg(c.MeasurementWait[a]).arg(c.SetPointWait[a]);
    }
    s["comms"] = QString::number(c.comms.count());
    for (int i = 0; i < c.comms.count(); ++i)
        s[QString("comms %1").arg(i, 3, 10, QChar('0'))] = c.comms.line(i);
    s["flags"] = QString("type %1 calibrate %2 stage one %3 update %4 beep %5 skip offset %6 logging tab %7 "
                         "sequences %8 reset %9")
                     .arg(c.SensorType).arg(c.Calibrate_Flag).arg(c.StageOne_Flag).arg(c.UpdateReadings_Flag)
                     .arg(c.ReplyBeep_Flag).arg(c.SkipLocalOffset_Flag).arg(c.LoggingTab).arg(c.sequencesRunning)
                     .arg(c.ResetIndex);
    s["selected"] = QString("tab %1 row %2 user answers %3 waiting %4")
                        .arg(c.currentTab()).arg(table.selectedRow()).arg(c.UserCommandCount).arg(c.waiting());
    s["link"] = QString("last %1 sent \"%2\"").arg(c.link.LastCommand).arg(c.link.strSent_Command);
    s["link timing"] = QString("break %1 mark %2 data timeout %3 command timeout %4")
                           .arg(c.link.BreakTiming).arg(c.link.MarkTiming).arg(c.link.DataTimeout)
                           .arg(c.link.commandTimeout());
    s["receiver"] = QString("response %1 state %2%3")
                        .arg(c.link.ResponseState).arg(c.link.RxState)
                        .arg(c.link.exchangeInFlight() ? " in flight" : "");
    if (const auto *ui = dynamic_cast<const TestUi *>(&c.ui)) {
        const QStringList texts = ui->texts();
        for (int i = 0; i < texts.size(); ++i)
            s[QString("message %1").arg(i)] = (ui->messages[i].icon == Ui::Icon::Exclamation ? "! " : "i ") + texts[i];
        for (int i = 0; i < ui->questions.size(); ++i)
            s[QString("question %1").arg(i)] = ui->questions[i];
        s["beeps"] = QString::number(ui->beeps);
    }
    return s;
}

QStringList changes(const RunState &before, const RunState &after)
{
    QStringList out;
    RunState all = before;
    all.insert(after);
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (before.value(it.key()) != after.value(it.key()))
            out << it.key() + ": " + before.value(it.key(), "-") + " -> " + after.value(it.key(), "-");
    return out;
}

void TestUi::message(Icon icon, const QString &title, const QString &text)
{
    messages.push_back({icon, title, text});
}

bool TestUi::askYesNo(const QString &title, const QString &text)
{
    questions.push_back(title + QLatin1Char('|') + text);
    return answers.isEmpty() ? true : answers.takeFirst();
}

Ui::SaveChoice TestUi::saveFile(const SaveDialog &d)
{
    dialogs.push_back(d);
    return saves.isEmpty() ? SaveChoice{} : saves.takeFirst();
}

bool TestUi::progress(const QString &title, const QString &text, int done, int total)
{
    steps.push_back(QString("%1|%2 %3/%4").arg(title, text).arg(done).arg(total));
    return !onStep || onStep(done);
}

QStringList TestUi::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out.push_back(m.title + QLatin1Char('|') + m.text);
    return out;
}

void TestUi::clear()
{
    messages.clear();
    questions.clear();
    beeps = 0;
}

void Responder::attach(FakeSerialPort &port)
{
    port.onWrite = [this, &port](const QByteArray &bytes) {
        const QString cmd = QString::fromLatin1(bytes);
        received.push_back(cmd);
        QString reply = replies.value(cmd);
        if (!replies.contains(cmd) && fallback)
            reply = fallback(cmd);
        QByteArray out = bytes;   // the interface echoes every byte
        if (!reply.isNull())
            out += reply.toLatin1() + "\r\n";
        QTimer::singleShot(delayMs, &port, [&port, out] { port.feed(out); });
    };
}

void Responder::answerAt(int a, std::initializer_list<std::pair<const char *, const char *>> answers)
{
    const QString s = QString::number(a);
    for (const auto &[cmd, answer] : answers)
        replies.insert(s + QLatin1String(cmd), s + QLatin1String(answer));
}

void Responder::levelSensor(int a)
{
    answerAt(a, {{"XUP!", "0"}, {"XUT!", "0"}, {"XP!", "0"}, {"XE!", "+9.8067"}, {"I!", "13ORVANE  LT-Q5 102"},
                 {"XREV!", "0"}, {"XLOF!", "+0.000"}, {"XRA!", "+10.000"}, {"XU0!", "+1.0"},
                 {"XANCALCV0!", "+0.0"}, {"XANCALCV1!", "+1.0"}, {"XMOR!", "+12.000"}, {"XLOC!", "0"},
                 {"XF!", ",10,0001"}, {"M!", "0012"}, {"D0!", "+1.2345+21.50"}});
    replies.insert(QString("%1XSN!").arg(a), QString("%1LT51023%1").arg(a));
}

void Responder::rotarySensor(int a)
{
    answerAt(a, {{"XMU!", "1"}, {"XCP!", "200"}, {"XRD!", "1"}, {"XPC!", "1024"}, {"XCV!", "+0.000"},
                 {"I!", "13ORVANE  RQ-9  102"}, {"C!", "00001"}, {"D0!", "+12.345"}});
    replies.insert(QString("%1XSN!").arg(a), QString("%1RQ91023%1").arg(a));
}

QStringList commsFind(const Console &core, const QString &text, Qt::MatchFlags how)
{
    QStringList out;
    for (const QString &l : core.comms.lines())
        if ((how & 0x0F) == Qt::MatchEndsWith ? l.endsWith(text)
            : (how & 0x0F) == Qt::MatchContains ? l.contains(text)
                                                : l == text)
            out << l;
    return out;
}

// A settings file with 1 ms pauses and the command timeout given.
static QString writeSettings(const QString &folder, int commandTimeoutMs)
{
    SysDataRecord r;
    r.port = 1;
    r.breakMs = 1;
    r.markMs = 1;
    r.dataTimeoutMs = 1;
    r.commandTimeoutMs = static_cast<qint16>(commandTimeoutMs);
    const QString path = folder + QStringLiteral("/Varno sysfile.cfg");
    sysdata::write(path, r, nullptr);
    return path;
}

Console::Platform RigBase::platform(int commandTimeoutMs, const QString &journal)
{
    installQuietHandler();
    Console::Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.port = &port;
    p.settingsPath = writeSettings(dir.path(), commandTimeoutMs);
    p.journalPath = journal.isEmpty() ? dir.filePath(QStringLiteral("journal.sqlite")) : journal;
    devices.names = {QStringLiteral("Test port /dev/null (COM1)"), QStringLiteral("Test port /dev/zero (COM2)")};
    devices.devices = {{1, QStringLiteral("/dev/null")}, {2, QStringLiteral("/dev/zero")}};
    p.catalogue = [this] { return devices; };
    bus.attach(port);
    watchWrites();
    return p;
}

RigBase::~RigBase()
{
    if (!breachesExpected && !port.violations().isEmpty() && !QTest::currentTestFailed())
        QTest::qFail(qPrintable(QStringLiteral("bus rule broken: ") + port.violations().join(QStringLiteral("; "))),
                     __FILE__, __LINE__);
}

void RigBase::release()
{
    port.exchangePending = nullptr;
    simLink.reset();
    port.onWrite = nullptr;
}

sim::SimBus &RigBase::simulator()
{
    if (!simBus) {
        simBus = std::make_unique<sim::SimBus>();
        simBus->setAnswerDelayMs(1);
        simLink = std::make_unique<sim::InProcessLink>(port, *simBus);
        watchWrites();
    }
    return *simBus;
}

QStringList RigBase::sent() const
{
    QStringList out;
    for (const QByteArray &b : port.writes())
        out.push_back(QString::fromLatin1(b));
    return out;
}

bool RigBase::settle(const Console &run, int maxMs)
{
    QElapsedTimer t;
    t.start();
    int quiet = 0;
    while (t.elapsed() < maxMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (run.link.exchangeInFlight() || run.sequencesRunning > 0 || run.waiting()) {
            quiet = 0;
            continue;
        }
        // A few quiet rounds so that queued answers are handled.
        if (++quiet > 5)
            return true;
    }
    return false;
}

CoreRig::CoreRig(bool rotary, int commandTimeoutMs, const QString &journal)
{
    c = std::make_unique<Console>(platform(commandTimeoutMs, journal));
    port.exchangePending = [this] { return c && c->link.exchangeInFlight(); };
    setFamily(*c, rotary);
    // Qt's own checks of a model: every change signalled as views expect it.
    new QAbstractItemModelTester(c->table.get(), QAbstractItemModelTester::FailureReportingMode::QtTest, c.get());
    for (int a = 0; a < 10; ++a)
        for (LogModel *m : {c->levelLog(a), c->rotaryLog(a)})
            new QAbstractItemModelTester(m, QAbstractItemModelTester::FailureReportingMode::QtTest, c.get());
}

CoreRig::CoreRig(bool rotary, std::initializer_list<int> addresses, int commandTimeoutMs)
    : CoreRig(rotary, commandTimeoutMs)
{
    for (int a : addresses)
        rotary ? bus.rotarySensor(a) : bus.levelSensor(a);
    load();
    ui.clear();
    clearSent();
}

CoreRig::~CoreRig()
{
    release();
    c.reset();
}

void CoreRig::watchWrites()
{
    const auto inner = port.onWrite;
    port.onWrite = [this, inner](const QByteArray &b) {
        const int a = b.isEmpty() ? -1 : b.at(0) - '0';
        busyAtWrite.push_back(a >= 0 && a <= 9 && busy(a));
        inner(b);
    };
}

bool CoreRig::busy(int a) const
{
    const SensorFields &t = tab(a);
    return !c->win.ScanBut.isEnabled() &&
           !(c->SensorType ? t.RotaryCountsPerRevBut.isEnabled() : t.RangeBut.isEnabled());
}

void CoreRig::load()
{
    c->prepare();
    c->start();
    settle();
}

namespace {
QStringList changedByRuns;
} // namespace

void noteChanges(const Console &c, const QString &heading, const std::function<void()> &what)
{
    const RunState before = stateOf(c);
    QStringList focused;   // the controls the step asked the view to focus
    const auto watch = QObject::connect(&c, &Console::focus, [&](int tab, int id) {
        const FieldSet &set = tab < 0 ? static_cast<const FieldSet &>(c.win) : *c.tab[static_cast<size_t>(tab)];
        for (const Control *x : set.controls())
            if (x->id() == id)
                focused << QString("focus: %1:%2").arg(tab).arg(x->name());
    });
    what();
    QObject::disconnect(watch);
    changedByRuns << heading << changes(before, stateOf(c)) << focused;
}

void noteLines(const QStringList &lines)
{
    changedByRuns << lines;
}

void noteState(const Console &c, const QStringList &prefixes)
{
    const RunState s = stateOf(c);
    changedByRuns << "state of " + prefixes.join(' ');
    for (auto it = s.cbegin(); it != s.cend(); ++it)
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](const QString &p) { return it.key().startsWith(p); }))
            changedByRuns << it.key() + ": " + it.value();
}

QStringList takeChanges()
{
    return std::exchange(changedByRuns, {});
}

void CoreRig::note(const QString &heading, const std::function<void()> &what)
{
    busyAtWrite.clear();
    noteChanges(*c, heading, [&] {
        what();
        settle();
    });
    QStringList busyAt;
    for (bool b : std::as_const(busyAtWrite))
        busyAt << (b ? "busy" : "idle");
    if (!busyAt.isEmpty())
        changedByRuns << "at each write: " + busyAt.join(' ');
}

QString CoreRig::press(int a, const std::function<void()> &handler)
{
    clearSent();
    note(QString("press on %1").arg(a), [&] { c->press(a, handler); });
    return sent().value(0);
}

void CoreRig::startLogging(int a, const QString &period)
{
    c->logging->SecondTimer.stop();
    ListField &list = tab(a).periods(c->SensorType);
    if (!c->SensorType)
        fillAllLogPeriods(list);
    list.select(list.findText(period));
    note("logging on " + QString::number(a), [&] {
        c->press(a, [this, a] {
            c->SensorType ? c->logging->RotaryStartLogBut_Click(a) : c->logging->StartLogBut_Click(a);
        });
    });
}

void CoreRig::tick()
{
    note("tick", [this] { c->logging->SecondTimer_Timer(); });
}

Console::Platform PtyBase::platform(int commandTimeoutMs)
{
    installQuietHandler();
    SysDataRecord rec;
    rec.commandTimeoutMs = static_cast<qint16>(commandTimeoutMs);
    Console::Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.settingsPath = home.filePath(QStringLiteral("Varno sysfile.cfg"));
    sysdata::write(p.settingsPath, rec, nullptr);
    return p;
}

PtyCore::PtyCore(bool rotary, std::function<PortCatalogue()> catalogue, int commandTimeoutMs)
    : port(std::make_unique<HardwarePort>([this](int n) { return listed.devices.value(n); }))
{
    Console::Platform p = platform(commandTimeoutMs);
    p.port = port.get();
    p.catalogue = [this, catalogue = std::move(catalogue)] { return listed = catalogue(); };
    c = std::make_unique<Console>(p);
    setFamily(*c, rotary);
}
