#include "app/Launch.h"

#include <QStandardPaths>

Launch::Launch(const MainWindow::Platform &platform, std::function<PortCatalogue()> systemCatalogue)
    : m_platform(platform), m_port([listed = m_listed](int n) { return listed->devices.value(n); })
{
    m_platform.port = &m_port;
    m_platform.catalogue = [listed = m_listed, systemCatalogue = std::move(systemCatalogue)] {
        *listed = systemCatalogue();
        return *listed;
    };
    connect(&startup, &StartupForm::chosen, this, &Launch::open);
}

Launch::~Launch()
{
    main.reset();   // before the port it uses
}

MainWindow::Platform Launch::userPlatform(Ui &ui, Clock &clock)
{
    MainWindow::Platform p;
    static_cast<Console::Platform &>(p) = Console::Platform::ofUser(ui, clock);
    // Window size and splitters: the user's own, not the link's settings.
    p.windowStatePath =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/window.ini");
    return p;
}

void Launch::open(StartupForm::Family family)
{
    main = std::make_unique<MainWindow>(m_platform);
    if (family == StartupForm::Family::LevelProbe)
        main->setLevelProbeSensorType();
    else
        main->setRotaryEncoderSensorType();
    startup.hide();
    main->Form_Load();
}
