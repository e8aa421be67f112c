#include "ConsoleRig.h"

#include <QDialog>
#include <QTimer>

ConsoleRig::ConsoleRig(bool rotary, int commandTimeoutMs, bool loadNow, const QString &journal)
{
    MainWindow::Platform p;
    static_cast<Console::Platform &>(p) = platform(commandTimeoutMs, journal);
    p.windowStatePath = dir.filePath(QStringLiteral("window.ini"));
    w = std::make_unique<MainWindow>(p);
    port.exchangePending = [this] { return w && w->core.link.exchangeInFlight(); };
    setFamily(*w, rotary);
    if (loadNow)
        load();
}

ConsoleRig::ConsoleRig(bool rotary, std::initializer_list<int> addresses, int commandTimeoutMs)
    : ConsoleRig(rotary, commandTimeoutMs, false)
{
    for (int a : addresses)
        rotary ? bus.rotarySensor(a) : bus.levelSensor(a);
    load();
    ui.clear();
    clearSent();
}

QString ConsoleRig::note(const QString &heading, const std::function<void()> &what)
{
    clearSent();
    noteChanges(w->core, heading, [&] { what(); settle(); });
    return sent().value(0);
}

ConsoleRig::~ConsoleRig()
{
    release();
    w.reset();
}

void ConsoleRig::closeModalSoon(QDialog *d, QStringList *sentBefore)
{
    QTimer::singleShot(50, d, [this, d, sentBefore] {
        if (sentBefore)
            *sentBefore = sent();
        d->reject();
    });
}
