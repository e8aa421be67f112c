// sdi12-sim: a simulated SDI-12 bus on a pseudo-terminal, offered to the
// console as a COM port.
#include "link/PortDirectory.h"
#include "sim/SimBus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

void log(const QString &text)
{
    const QByteArray line = (QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ') + text)
                                .toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
}

QString printable(QString s)
{
    s.replace(QLatin1String("\r"), QLatin1String("\\r"));
    s.replace(QLatin1String("\n"), QLatin1String("\\n"));
    return s;
}

bool parseAddresses(const QString &list, QList<int> *out)
{
    if (list.isEmpty())
        return true;
    for (const QString &part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int a = part.trimmed().toInt(&ok);
        if (!ok || a < 0 || a > 9)
            return false;
        out->push_back(a);
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    // Everything after "--" is the command to start.
    QStringList own, child;
    bool afterDashes = false;
    for (int i = 0; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (!afterDashes && a == QLatin1String("--") && i > 0) {
            afterDashes = true;
            continue;
        }
        (afterDashes ? child : own) << a;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sdi12-sim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated SDI-12 bus on a pseudo-terminal, registered as a COM port for the console.\n"
        "Example: sdi12-sim --com 1 --level 0,4 --rotary 7 -- build/sdi12-console"));
    p.addHelpOption();
    const QCommandLineOption com(QStringLiteral("com"), QStringLiteral("COM number to register (1-16)."),
                                 QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption level(QStringLiteral("level"), QStringLiteral("Level probes at these addresses."),
                                   QStringLiteral("ADDRS"));
    const QCommandLineOption rotary(QStringLiteral("rotary"), QStringLiteral("Rotary encoders at these addresses."),
                                    QStringLiteral("ADDRS"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Send at the real 1200-baud character time."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("The sensor at A answers nothing."),
                                    QStringLiteral("A"));
    const QCommandLineOption noAnswer(QStringLiteral("no-answer"), QStringLiteral("No answer to this command."),
                                      QStringLiteral("CMD"));
    const QCommandLineOption garbage(QStringLiteral("garbage"), QStringLiteral("Send TEXT before every answer."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption noCrLf(QStringLiteral("no-crlf"), QStringLiteral("Answer this command without CR LF."),
                                    QStringLiteral("CMD"));
    const QCommandLineOption stream(QStringLiteral("stream"),
                                    QStringLiteral("After the first command, stream bytes without CR endlessly."));
    const QCommandLineOption late(QStringLiteral("late"), QStringLiteral("Delay every answer by MS."),
                                  QStringLiteral("MS"));
    const QCommandLineOption noSr(QStringLiteral("no-service-request"),
                                  QStringLiteral("Measurements never send their service request."));
    const QCommandLineOption refuse(QStringLiteral("refuse-address"), QStringLiteral("Refuse address changes."));
    const QCommandLineOption repeat(QStringLiteral("repeat-letters"),
                                    QStringLiteral("Rotary answers repeat the command letters."));
    const QCommandLineOption mtime(QStringLiteral("mtime"),
                                   QStringLiteral("Measurement time of the sensor at A, in seconds."),
                                   QStringLiteral("A=S"));
    const QCommandLineOption standard(
        QStringLiteral("standard"),
        QStringLiteral("Every sensor keeps to SDI-12 v1.4 timing: measurement data only the seconds given after the "
                       "answer (aD0! before then gives the address alone); aM! ends in a service request and any "
                       "command to that sensor, an early aD0! too, aborts it until then; aC! sends none (level "
                       "probes accept aC!, rotary encoders aM!); aMC!, aCC! and aRC0! answer with CRC, aR0! without; "
                       "data kept until the next measurement."));
    const QCommandLineOption extraValues(QStringLiteral("extra-values"),
                                         QStringLiteral("Level probes answer N further values after their two (0-7)."),
                                         QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption split(QStringLiteral("split-values"),
                                   QStringLiteral("With --standard: one value to each data command, the first to "
                                                  "aD0!, the second to aD1! and so on."));
    for (const auto &o : {com, level, rotary, pace, silent, noAnswer, garbage, noCrLf, stream, late, noSr, refuse,
                          repeat, mtime, standard, extraValues, split})
        p.addOption(o);
    p.process(own);

    bool ok = false;
    const int comNumber = p.value(com).toInt(&ok);
    if (!ok || comNumber < 1 || comNumber > 16) {
        std::fprintf(stderr, "sdi12-sim: --com takes a number from 1 to 16\n");
        return 2;
    }
    sim::SimBus bus;
    QList<int> levels, rotaries;
    if (!parseAddresses(p.value(level), &levels) || !parseAddresses(p.value(rotary), &rotaries)) {
        std::fprintf(stderr, "sdi12-sim: addresses are digits 0-9, separated by commas\n");
        return 2;
    }
    const int extra = p.value(extraValues).toInt(&ok);
    if (!ok || extra < 0 || extra > 7) {
        std::fprintf(stderr, "sdi12-sim: --extra-values takes a number from 0 to 7\n");
        return 2;
    }
    if (p.isSet(split) && !p.isSet(standard)) {
        std::fprintf(stderr, "sdi12-sim: --split-values needs --standard\n");
        return 2;
    }
    for (int a : levels) {
        bus.addSensor(a, sim::Family::Level);
        bus.setExtraValues(a, extra);
    }
    for (int a : rotaries)
        bus.addSensor(a, sim::Family::Rotary);
    bus.setPaced(p.isSet(pace));
    bus.setStandard(p.isSet(standard));
    bus.setOneValuePerCommand(p.isSet(split));
    sim::Faults &f = bus.faults();
    for (const QString &s : p.values(silent))
        f.silent.insert(s.toInt());
    for (const QString &c : p.values(noAnswer))
        f.noAnswer.insert(c);
    for (const QString &c : p.values(noCrLf))
        f.noCrLf.insert(c);
    f.garbage = p.value(garbage).toLatin1();
    f.lateMs = p.value(late).toInt();
    f.noServiceRequest = p.isSet(noSr);
    f.refuseAddress = p.isSet(refuse);
    f.repeatLetters = p.isSet(repeat);
    if (p.isSet(stream))
        bus.setStream(true);
    for (const QString &m : p.values(mtime)) {
        const QStringList as = m.split(QLatin1Char('='));
        if (as.size() == 2)
            bus.setMeasurementSeconds(as[0].toInt(), as[1].toInt());
    }

    // The pseudo-terminal: the console opens the slave side as its port.
    // Every descriptor is close-on-exec: a console started as our child must
    // not hold the pseudo-terminal, so that stopping the simulator hangs the
    // line up for it exactly as pulling an adapter does.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("sdi12-sim: pseudo-terminal");
        return 1;
    }
    const QString slavePath = QString::fromLocal8Bit(::ptsname(master));
    // Our own hold on the slave keeps the master readable while the console
    // closes and reopens the port.
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // A serial port's exclusive mode (set by whoever opens it) ends with its
    // user's last close, also when that user is killed outright. Our own hold
    // on the slave keeps the terminal open, so a killed console's exclusive
    // mode would outlive it and refuse every later open: it is lifted here,
    // as the last close lifts it on an adapter. One program per port is the
    // console's own lock.
    QTimer exclusive;
    if (slave >= 0) {
        QObject::connect(&exclusive, &QTimer::timeout, [slave] { ::ioctl(slave, TIOCNXCL); });
        exclusive.start(50);
    }

    QString error;
    const QString link = portdir::registerPort(comNumber, slavePath, &error);
    if (link.isEmpty()) {
        std::fprintf(stderr, "sdi12-sim: %s\n", qPrintable(error));
        return 1;
    }
    log(QStringLiteral("COM%1 is %2 (%3)").arg(comNumber).arg(slavePath, link));

    QObject::connect(&bus, &sim::SimBus::event, [](const QString &e) { log(printable(e)); });
    QObject::connect(&bus, &sim::SimBus::transmit, [master](const QByteArray &b) {
        qsizetype done = 0;
        while (done < b.size()) {
            const ssize_t n = ::write(master, b.constData() + done, static_cast<size_t>(b.size() - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN)
                    continue;   // the console reads slower than we write; wait for it
                break;
            }
            done += n;
        }
    });
    QSocketNotifier reader(master, QSocketNotifier::Read);
    QObject::connect(&reader, &QSocketNotifier::activated, [&] {
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                bus.receive(QByteArray(buf, static_cast<int>(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
    });

    // Quit cleanly on SIGINT/SIGTERM so that the port link goes away.
    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&app] { app.exit(0); });

    QProcess process;
    if (!child.isEmpty()) {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(&process, &QProcess::finished, &app,
                         [&app](int code, QProcess::ExitStatus status) {
                             app.exit(status == QProcess::NormalExit ? code : 1);
                         });
        QObject::connect(&process, &QProcess::errorOccurred, &app, [&app, &child](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) {
                std::fprintf(stderr, "sdi12-sim: cannot start %s\n", qPrintable(child.first()));
                app.exit(127);
            }
        });
        process.start(child.first(), child.mid(1));
    }
    const int rc = app.exec();
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
    }
    portdir::unregisterPort(comNumber, slavePath);
    if (slave >= 0)
        ::close(slave);
    ::close(master);
    return rc;
}
