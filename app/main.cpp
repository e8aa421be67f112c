#include "app/AboutWindow.h"
#include "app/Launch.h"
#include "app/Platform.h"
#include "app/Version.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sdi12-console"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setWindowIcon(AboutWindow::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(SDI12_APP_ID));

    QtUi ui;
    Clock clock;
    Launch launch(Launch::userPlatform(ui, clock));
    launch.startup.show();
    return app.exec();
}
