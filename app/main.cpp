#include "app/AboutWindow.h"
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/StartupForm.h"
#include "app/Version.h"
#include "discovery/SysData.h"
#include "link/HardwarePort.h"
#include "link/PortCatalogue.h"
#include "logging/Journal.h"

#include <QApplication>
#include <QStandardPaths>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sdi12-console"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setWindowIcon(AboutWindow::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(SDI12_APP_ID));

    QtUi ui;
    Clock clock;
    // The devices are listed once, when the main window loads; the port
    // opens the device listed under the chosen COM number.
    auto catalogue = std::make_shared<PortCatalogue>();
    HardwarePort port([catalogue](int n) { return catalogue->devices.value(n); });
    std::unique_ptr<MainWindow> main;

    StartupForm startup;
    QObject::connect(&startup, &StartupForm::chosen, &startup, [&](StartupForm::Family family) {
        MainWindow::Platform platform;
        platform.ui = &ui;
        platform.clock = &clock;
        platform.port = &port;
        platform.settingsPath = sysdata::defaultPath();
        platform.userSettingsPath = sysdata::userPath();
        // Window size and splitters: the user's own, not the link's settings.
        platform.journalPath = Journal::defaultPath();
        platform.windowStatePath =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/window.ini");
        platform.catalogue = [catalogue] {
            *catalogue = ports::systemCatalogue();
            return *catalogue;
        };
        main = std::make_unique<MainWindow>(platform);
        if (family == StartupForm::Family::LevelProbe)
            main->setLevelProbeSensorType();
        else
            main->setRotaryEncoderSensorType();
        startup.hide();
        main->Form_Load();
    });
    startup.show();
    return app.exec();
}
