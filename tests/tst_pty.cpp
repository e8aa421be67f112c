// The real serial code over a pseudo-terminal, against the simulator program.
#include "link/HardwarePort.h"

#include <QCoreApplication>
#include "link/Link.h"
#include "support/SimProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The simulator with a level probe at 0 on COM2.
struct Sim : SimProcess {
    QString link = SimProcess::link(2);
    bool start(const QStringList &extra = {}) { return SimProcess::start(QStringList{"--com", "2", "--level", "0"} + extra, 2); }
};

struct ListLog : CommsLog {
    QStringList lines;
    int count() const override { return static_cast<int>(lines.size()); }
    void clear() override { lines.clear(); }
    void append(const QString &l) override { lines.push_back(l); }
};
} // namespace

class TestPty : public QObject
{
    Q_OBJECT
private slots:
    void exchangeOverPseudoTerminal();
    void staleBytesFlushedFromTheSystem();
    void childHoldsNoPseudoTerminal();
};

void TestPty::exchangeOverPseudoTerminal()
{
    Sim sim;
    QVERIFY(sim.start());
    const QString device = QFileInfo(sim.link).symLinkTarget();
    HardwarePort port([device](int n) { return n == 2 ? device : QString(); });
    port.setPortNumber(2);
    QVERIFY2(port.open(), qPrintable(port.errorString()));   // 7E1 is refused by a pty, the port opens anyway
    QVERIFY2(port.open(), qPrintable(port.errorString()));   // opened again: the port closes and opens once more
    // One lock file per user and device, whatever link opened it, held while the port is open.
    QCOMPARE(HardwarePort::lockPath("/dev/tty GONE:9"),
             QDir::tempPath() + QString("/sdi12-port-%1_dev_tty_GONE_9.lock").arg(::getuid()));
    QCOMPARE(HardwarePort::lockPath(sim.link), HardwarePort::lockPath(device));
    QVERIFY(QFile::exists(HardwarePort::lockPath(device)));

    // A port that does not open says why, in plain words: nothing under the
    // number, a device that is gone, a device another run of the console
    // holds (named, with its process).
    const struct {
        int number;
        QString device;
        QString why;
    } failures[] = {
        {3, {}, "No serial device is listed under COM3: plug the adapter in, then choose the port again."},
        {2, "/dev/ttyGONE9", "The device /dev/ttyGONE9 is not there: the adapter may have been unplugged."},
        {2, device,
         QString("%1 is in use by tst_pty (process %2). Stop it, then try again.")
             .arg(device)
             .arg(QCoreApplication::applicationPid())},
    };
    for (const auto &f : failures) {
        HardwarePort other([&f](int n) { return n == 2 ? f.device : QString(); });
        other.setPortNumber(f.number);
        QVERIFY(!other.open());
        QCOMPARE(other.errorString(), f.why);
    }

    ListLog log;
    Clock clock;
    Link link(&port, &log, &clock);
    link.BreakTiming = 5;
    link.MarkTiming = 5;
    link.setCommandTimeout(2000);
    QVector<QByteArray> lines;
    bool nested = false;
    link.decode = [&](const QByteArray &l) {
        lines.push_back(l);
        link.lineAccepted();
        if (l.startsWith("0I!")) {
            // A sequence started from inside the receive handler: QSerialPort
            // holds its readyRead back meanwhile, the wait must still see the
            // answer.
            link.ResponseState = Link::Waiting;
            link.strSent_Command = "0XRA!";
            link.send_TXbuff("0XRA!");
            nested = link.WaitForResponse();
        } else if (l.startsWith("0XRA!")) {
            link.ResponseState = Link::Answered;
        }
    };
    link.ResponseState = Link::Waiting;
    link.strSent_Command = "0I!";
    link.send_TXbuff("0I!");
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 5000);
    QCOMPARE(lines[0], QByteArray("0I!013ORVANE  LT-Q5 102"));
    QCOMPARE(lines[1], QByteArray("0XRA!0+10.000"));
    QVERIFY(nested);
    QVERIFY(log.lines.last().endsWith(" <-- 0XRA!0+10.000"));
    QVERIFY(log.lines[0].endsWith(" --> 0I!"));
}

void TestPty::staleBytesFlushedFromTheSystem()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    HardwarePort port([device](int) { return device; });
    QVERIFY2(port.open(), qPrintable(port.errorString()));
    const char answer[] = "0XRA!0+10.000\r\n";
    // A mark cut between two reads waits there for its rest; a flush drops it with the rest. (The line discipline
    // stops marking here, so that an FF reaches the port alone, as such a cut leaves it. The port holds the slave
    // exclusively, so its settings are changed through the master, which reaches them on Linux.)
    termios tio;
    QVERIFY(::tcgetattr(master, &tio) == 0 && (tio.c_iflag & PARMRK));
    tio.c_iflag &= ~tcflag_t(PARMRK);
    QVERIFY(::tcsetattr(master, TCSANOW, &tio) == 0);
    QCOMPARE(::write(master, "\xFF", 1), ssize_t(1));
    QTest::qWait(50);
    QCOMPARE(port.bytesAvailable(), qint64(0));   // read, held back
    port.clearInput();
    QCOMPARE(::write(master, answer, sizeof answer - 1), ssize_t(sizeof answer - 1));
    QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), qint64(sizeof answer - 1), 3000);
    port.clearInput();
    tio.c_iflag |= PARMRK;
    QVERIFY(::tcsetattr(master, TCSANOW, &tio) == 0);
    ListLog log;
    Clock clock;
    Link link(&port, &log, &clock);
    QVector<QByteArray> lines;
    link.decode = [&](const QByteArray &l) { lines.push_back(l); };
    // The tail of an earlier answer reaches the system while no event is
    // processed (during a break and mark): the flush must drop it there.
    QCOMPARE(::write(master, "0+1.5", 5), ssize_t(5));
    QTest::qSleep(50);
    link.FlushInput();
    // Its last byte comes alone, as bytes often do at 1200 baud: it is read too.
    QCOMPARE(::write(master, answer, sizeof answer - 2), ssize_t(sizeof answer - 2));
    QTest::qWait(50);
    QCOMPARE(::write(master, "\n", 1), ssize_t(1));
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 3000);
    QCOMPARE(lines[0], QByteArray("0XRA!0+10.000"));
    // With parity marking on, the line discipline doubles a received FF: it is one byte, read as 7 bits.
    QCOMPARE(::write(master, "0I!0\xFF\r\n", 7), ssize_t(7));
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 3000);
    QCOMPARE(lines[1], QByteArray("0I!0\x7F"));
    port.close();
    ::close(master);
}

void TestPty::childHoldsNoPseudoTerminal()
{
    // The console the simulator starts must not inherit the pseudo-terminal:
    // otherwise stopping the simulator would not hang the line up for it.
    Sim sim;
    sim.process.setReadChannel(QProcess::StandardOutput);
    QVERIFY(sim.start({"--", "/bin/sh", "-c", "sleep 0.3; ls -l /proc/self/fd"}));
    QVERIFY(sim.process.waitForFinished(5000));
    const QString fds = QString::fromLocal8Bit(sim.process.readAllStandardOutput());
    QVERIFY2(fds.contains("/proc/"), qPrintable(fds));
    QVERIFY2(!fds.contains("/dev/pt"), qPrintable(fds));
}

QTEST_GUILESS_MAIN(TestPty)
#include "tst_pty.moc"
