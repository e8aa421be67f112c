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
    MainWindow::Platform p;
    static_cast<Console::Platform &>(p) = platform(commandTimeoutMs, journal);
    p.windowStatePath = dir.filePath(QStringLiteral("window.ini"));
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
    release();
    w.reset();
}

void ConsoleRig::load()
{
    w->Form_Load();
    settle();
}

void ConsoleRig::closeModalSoon(QDialog *d, QStringList *sentBefore)
{
    QTimer::singleShot(50, d, [this, d, sentBefore] {
        if (sentBefore)
            *sentBefore = sent();
        d->reject();
    });
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
