#include "ConsoleRig.h"

#include "discovery/LogPeriods.h"
#include "discovery/SysData.h"
#include "logging/LoggingEngine.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// The offscreen platform reports window operations it cannot do; that is
// not a finding of any test.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (previousHandler)
        previousHandler(type, context, msg);
}
void installQuietHandler()
{
    static bool done = false;
    if (!done) {
        previousHandler = qInstallMessageHandler(quietHandler);
        done = true;
    }
}
} // namespace

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

void TestUi::message(Icon icon, const QString &title, const QString &text)
{
    messages.push_back({icon, title, text});
    if (onMessage)
        onMessage(messages.last());
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

ConsoleRig::ConsoleRig(bool rotary, int commandTimeoutMs, bool loadNow, const QString &journal)
{
    installQuietHandler();
    SysDataRecord r;
    r.port = 1;
    r.breakMs = 1;
    r.markMs = 1;
    r.dataTimeoutMs = 1;
    r.commandTimeoutMs = static_cast<qint16>(commandTimeoutMs);
    const QString path = dir.filePath(QStringLiteral("Varno sysfile.cfg"));
    sysdata::write(path, r, nullptr);
    bus.attach(port);

    MainWindow::Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.port = &port;
    p.settingsPath = path;
    p.windowStatePath = dir.filePath(QStringLiteral("window.ini"));
    p.journalPath = journal.isEmpty() ? dir.filePath(QStringLiteral("journal.sqlite")) : journal;
    devices.names = {QStringLiteral("Test port /dev/null (COM1)"), QStringLiteral("Test port /dev/zero (COM2)")};
    devices.devices = {{1, QStringLiteral("/dev/null")}, {2, QStringLiteral("/dev/zero")}};
    p.catalogue = [this] { return devices; };
    w = std::make_unique<MainWindow>(p);
    port.exchangePending = [this] { return w && w->core.link.exchangeInFlight(); };
    if (rotary)
        w->setRotaryEncoderSensorType();
    else
        w->setLevelProbeSensorType();
    if (loadNow)
        load();
}

ConsoleRig::ConsoleRig(bool rotary, std::initializer_list<int> addresses, int commandTimeoutMs)
    : ConsoleRig(rotary, commandTimeoutMs, false)
{
    for (int a : addresses)
        rotary ? rotarySensor(a) : levelSensor(a);
    load();
    ui.clear();
    clearSent();
}

QString ConsoleRig::press(QAbstractButton *button)
{
    clearSent();
    button->click();
    settle();
    return sent().value(0);
}

ConsoleRig::~ConsoleRig()
{
    if (!breachesExpected && !port.violations().isEmpty() && !QTest::currentTestFailed())
        QTest::qFail(qPrintable(QStringLiteral("bus rule broken: ") + port.violations().join(QStringLiteral("; "))),
                     __FILE__, __LINE__);
    port.exchangePending = nullptr;
    simLink.reset();
    port.onWrite = nullptr;
    w.reset();
}

sim::SimBus &ConsoleRig::simulator()
{
    if (!simBus) {
        simBus = std::make_unique<sim::SimBus>();
        simBus->setAnswerDelayMs(1);
        simLink = std::make_unique<sim::InProcessLink>(port, *simBus);
    }
    return *simBus;
}

void ConsoleRig::load()
{
    w->Form_Load();
    settle();
}

QStringList ConsoleRig::sent() const
{
    QStringList out;
    for (const QByteArray &b : port.writes())
        out.push_back(QString::fromLatin1(b));
    return out;
}

bool ConsoleRig::settle(int maxMs)
{
    QElapsedTimer t;
    t.start();
    int quiet = 0;
    while (t.elapsed() < maxMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w->core.link.exchangeInFlight() || w->core.sequencesRunning > 0) {
            quiet = 0;
            continue;
        }
        // A few quiet rounds so that queued answers are handled.
        if (++quiet > 5)
            return true;
    }
    return false;
}

void ConsoleRig::closeModalSoon(QDialog *d, QStringList *sentBefore)
{
    QTimer::singleShot(50, d, [this, d, sentBefore] {
        if (sentBefore)
            *sentBefore = sent();
        d->reject();
    });
}

void ConsoleRig::startLogging(int a, const QString &period)
{
    w->core.logging->SecondTimer.stop();
    ListField &c = w->core.tab[static_cast<size_t>(a)]->periods(w->core.SensorType);
    if (!w->core.SensorType)
        fillAllLogPeriods(c);
    c.select(c.findText(period));
    (w->core.SensorType ? tab(a)->RotaryStartLogBut : tab(a)->StartLogBut)->click();
    settle();
}

void ConsoleRig::tick()
{
    w->core.logging->SecondTimer_Timer();
    settle();
}

void Responder::answerAt(int a, std::initializer_list<std::pair<const char *, const char *>> answers)
{
    const QString s = QString::number(a);
    for (const auto &[cmd, answer] : answers)
        replies.insert(s + QLatin1String(cmd), s + QLatin1String(answer));
}

void ConsoleRig::levelSensor(int a)
{
    bus.answerAt(a, {{"XUP!", "0"}, {"XUT!", "0"}, {"XP!", "0"}, {"XE!", "+9.8067"}, {"I!", "13ORVANE  LT-Q5 102"},
                     {"XREV!", "0"}, {"XLOF!", "+0.000"}, {"XRA!", "+10.000"}, {"XU0!", "+1.0"},
                     {"XANCALCV0!", "+0.0"}, {"XANCALCV1!", "+1.0"}, {"XMOR!", "+12.000"}, {"XLOC!", "0"},
                     {"XF!", ",10,0001"}, {"M!", "0012"}, {"D0!", "+1.2345+21.50"}});
    bus.replies.insert(QString("%1XSN!").arg(a), QString("%1LT51023%1").arg(a));
}

void ConsoleRig::rotarySensor(int a)
{
    bus.answerAt(a, {{"XMU!", "1"}, {"XCP!", "200"}, {"XRD!", "1"}, {"XPC!", "1024"}, {"XCV!", "+0.000"},
                     {"I!", "13ORVANE  RQ-9  102"}, {"C!", "00001"}, {"D0!", "+12.345"}});
    bus.replies.insert(QString("%1XSN!").arg(a), QString("%1RQ91023%1").arg(a));
}

PtyConsole::PtyConsole(bool rotary, std::function<PortCatalogue()> catalogue, int commandTimeoutMs)
    : port([this](int n) { return listed->devices.value(n); })
{
    installQuietHandler();
    SysDataRecord rec;
    rec.commandTimeoutMs = static_cast<qint16>(commandTimeoutMs);
    MainWindow::Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.port = &port;
    p.settingsPath = home.filePath(QStringLiteral("Varno sysfile.cfg"));
    sysdata::write(p.settingsPath, rec, nullptr);
    p.catalogue = [this, catalogue] {
        *listed = catalogue();
        return *listed;
    };
    w = std::make_unique<MainWindow>(p);
    if (rotary)
        w->setRotaryEncoderSensorType();
    else
        w->setLevelProbeSensorType();
}
