#pragma once

#include "app/MainWindow.h"
#include "app/StartupForm.h"
#include "link/HardwarePort.h"
#include "link/PortCatalogue.h"

#include <functional>
#include <memory>

// The program as a user starts it: the start-up window; the family chosen,
// the main window of that family, loaded on the serial port the user picks
// from the system's devices.
class Launch : public QObject
{
    Q_OBJECT
public:
    // `platform`: the run's dialogs, clock and files; the port is the
    // launch's own, on the devices `systemCatalogue` lists.
    explicit Launch(const MainWindow::Platform &platform,
                    std::function<PortCatalogue()> systemCatalogue = ports::systemCatalogue);
    ~Launch() override;

    // The files of the user's run: the settings, the journal and the
    // window's size and place, in the user's own folders.
    static MainWindow::Platform userPlatform(Ui &ui, Clock &clock);

    StartupForm startup;
    std::unique_ptr<MainWindow> main;   // once a family is chosen

private:
    void open(StartupForm::Family family);

    MainWindow::Platform m_platform;
    // The devices are listed once, when the main window loads; the port
    // opens the device listed under the chosen COM number.
    std::shared_ptr<PortCatalogue> m_listed = std::make_shared<PortCatalogue>();
    HardwarePort m_port;
};
