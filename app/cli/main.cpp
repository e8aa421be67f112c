// sdi12-cli: the console's run from a shell, for scripts, test benches and
// unattended logging. The same core as the window (no widgets, no display),
// the same settings file, journal and commands.
#include "Cli.h"
#include "app/Version.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    return cli::run(QCoreApplication::arguments());
}
