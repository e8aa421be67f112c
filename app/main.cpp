#include "app/AboutWindow.h"
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/StartupForm.h"
#include "discovery/SysData.h"
#include "link/HardwarePort.h"
#include "link/PortCatalogue.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <memory>

namespace {
// With SDI12_STARTUP_PROBE set (by the benchmark), the console reports on
// stdout when each window is first painted, picks the level-probe family
// itself and ends once the main window is up.
class StartupProbe : public QObject
{
public:
    StartupProbe(const char *line, std::function<void()> then) : m_line(line), m_then(std::move(then)) {}
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
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sdi12-console"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
    QApplication::setWindowIcon(AboutWindow::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orvane.sdi12console"));

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
        if (qEnvironmentVariableIsSet("SDI12_STARTUP_PROBE"))
            main->installEventFilter(new StartupProbe("main-shown", [] { std::_Exit(0); }));
        main->Form_Load();
    });
    if (qEnvironmentVariableIsSet("SDI12_STARTUP_PROBE"))
        startup.installEventFilter(
            new StartupProbe("startup-shown", [&startup] { startup.LevelProbeButton->click(); }));
    startup.show();
    return app.exec();
}
