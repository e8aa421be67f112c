#pragma once

// The console's window on the serial-port test double, with the platform edges of the rig (support/Rig.h).

#include "app/MainWindow.h"
#include "app/Platform.h"
#include "support/Rig.h"
#include "app/SensorTabWidget.h"

#include <QAbstractButton>
#include <QComboBox>

struct ConsoleRig : RigBase {
    // `journal`: the readings journal to use (default: a new one in `dir`).
    explicit ConsoleRig(bool rotary = false, int commandTimeoutMs = 80, bool loadNow = true,
                        const QString &journal = {});
    // Scripted sensors of the family at `addresses`, scanned; what the start showed, beeped and wrote forgotten.
    ConsoleRig(bool rotary, std::initializer_list<int> addresses, int commandTimeoutMs = 80);
    ~ConsoleRig() override;

    void load() { w->Form_Load(); settle(); }
    SensorTabWidget *tab(int i) const { return w->tab[static_cast<size_t>(i)]; }
    // Runs `what`, settles and notes under `heading` what it changed in the run; the first command it wrote.
    QString note(const QString &heading, const std::function<void()> &what);
    QString press(QAbstractButton *b) { return note("press of " + b->objectName(), [b] { b->click(); }); }
    bool settle(int maxMs = 5000) { return RigBase::settle(w->core, maxMs); }
    // Closes the modal window `d` once it runs, noting what was sent by then.
    void closeModalSoon(QDialog *d, QStringList *sentBefore = nullptr);
    std::unique_ptr<MainWindow> w;
};
