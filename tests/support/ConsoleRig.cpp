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

ConsoleRig::ConsoleRig(bool rotary, int commandTimeoutMs, bool loadNow, const QString &journal)
{
    installQuietHandler();
    const QString path = writeSettings(dir.path(), commandTimeoutMs);
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
