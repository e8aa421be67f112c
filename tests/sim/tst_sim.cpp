#include "link/FakeSerialPort.h"
#include "link/PortDirectory.h"
#include "sim/SimBus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
struct Bus {
    FakeSerialPort port;
    sim::SimBus bus;
    sim::InProcessLink link{port, bus};
    QByteArray received;
    QVector<qint64> at;   // arrival of each byte, ns
    qint64 sentAt = 0;    // when the command was written, ns
    Bus()
    {
        port.open();
        bus.setAnswerDelayMs(0);
        QObject::connect(&port, &SerialPort::readyRead, &port, [this] {
            while (port.bytesAvailable()) {
                received += port.readByte();
                at.push_back(port.nowNs());
            }
        });
    }
    // Sends a command and returns what came back within `ms`.
    QByteArray ask(const QByteArray &cmd, int ms = 60)
    {
        received.clear();
        at.clear();
        sentAt = port.nowNs();
        port.write(cmd);
        QTest::qWait(ms);
        return received;
    }
};
} // namespace

class TestSim : public QObject
{
    Q_OBJECT
private slots:
    void levelAnswers();
    void rotaryAnswers();
    void measurements();
    void addressAndOthers();
    void faults();
    void pacing();
    void programOnPseudoTerminal();
    void programRunsCommand();
};

void TestSim::levelAnswers()
{
    Bus b;
    b.bus.addSensor(3, sim::Family::Level);
    QCOMPARE(b.ask("3I!"), QByteArray("3I!313ORVANE  LT-Q5 102\r\n"));
    QCOMPARE(b.ask("3!"), QByteArray("3!3\r\n"));
    QCOMPARE(b.ask("3XUP!"), QByteArray("3XUP!30\r\n"));
    QCOMPARE(b.ask("3XUP12!"), QByteArray("3XUP12!312\r\n"));
    QCOMPARE(b.ask("3XUP!"), QByteArray("3XUP!312\r\n"));
    QCOMPARE(b.ask("3XRA!"), QByteArray("3XRA!3+10.000\r\n"));
    QCOMPARE(b.ask("3XRA12.5!"), QByteArray("3XRA12.5!3+12.5\r\n"));
    QCOMPARE(b.bus.value(3, "XRA"), QString("12.5"));
    QCOMPARE(b.ask("3XLOF-1.5!"), QByteArray("3XLOF-1.5!3-1.5\r\n"));
    QCOMPARE(b.ask("3XF!"), QByteArray("3XF!3,10,0001\r\n"));
    QCOMPARE(b.ask("3XF0,05,0250!"), QByteArray("3XF0,05,0250!3,05,0250\r\n"));
    QCOMPARE(b.ask("3XU0!"), QByteArray("3XU0!3+1.0\r\n"));
    QCOMPARE(b.ask("3XU0,0.8!"), QByteArray("3XU0,0.8!30,+0.8\r\n"));
    QCOMPARE(b.ask("3XU1,0.0!"), QByteArray("3XU1,0.0!3\r\n"));
    QCOMPARE(b.ask("3XANCALCV0,-0.25!"), QByteArray("3XANCALCV0,-0.25!3\r\n"));
    QCOMPARE(b.ask("3XANCALCV0!"), QByteArray("3XANCALCV0!3-0.25\r\n"));
    QCOMPARE(b.ask("3XTRIMOF0.0!"), QByteArray("3XTRIMOF0.0!3\r\n"));
    QCOMPARE(b.ask("3XSN!"), QByteArray("3XSN!3LT510233\r\n"));
    QCOMPARE(b.ask("3XUNLK1!"), QByteArray("3XUNLK1!31\r\n"));
    const QByteArray d = b.ask("3D0!");
    QVERIFY(d.startsWith("3D0!3+1.2"));
    QCOMPARE(d.count('+'), 2);
    // Out-of-range set and rotary commands: no answer, only the echo.
    QCOMPARE(b.ask("3XREV5!"), QByteArray("3XREV5!"));
    QCOMPARE(b.ask("3XMU!"), QByteArray("3XMU!"));
    QCOMPARE(b.ask("3C!"), QByteArray("3C!"));
}

void TestSim::rotaryAnswers()
{
    Bus b;
    b.bus.addSensor(7, sim::Family::Rotary);
    QCOMPARE(b.ask("7I!"), QByteArray("7I!713ORVANE  RQ-9  102\r\n"));
    QCOMPARE(b.ask("7XMU!"), QByteArray("7XMU!71\r\n"));
    QCOMPARE(b.ask("7XMU3!"), QByteArray("7XMU3!73\r\n"));
    QCOMPARE(b.ask("7XCP!"), QByteArray("7XCP!7200\r\n"));
    QCOMPARE(b.ask("7XPC1000!"), QByteArray("7XPC1000!71000\r\n"));
    QCOMPARE(b.ask("7XCV+5.5!"), QByteArray("7XCV+5.5!7+5.5\r\n"));
    QCOMPARE(b.ask("7XZE!"), QByteArray("7XZE!7\r\n"));
    QCOMPARE(b.ask("7XCV!"), QByteArray("7XCV!7+0.000\r\n"));
    QCOMPARE(b.ask("7C!"), QByteArray("7C!700001\r\n"));
    QVERIFY(b.ask("7D0!").startsWith("7D0!7+12.3"));
    b.bus.faults().repeatLetters = true;
    QCOMPARE(b.ask("7XRD!"), QByteArray("7XRD!7XRD1\r\n"));
    QCOMPARE(b.ask("7M!"), QByteArray("7M!"));
    QCOMPARE(b.ask("7XUP!"), QByteArray("7XUP!"));
}

void TestSim::measurements()
{
    Bus b;
    b.bus.addSensor(2, sim::Family::Level);
    b.bus.setMeasurementSeconds(2, 0);
    QCOMPARE(b.ask("2M!"), QByteArray("2M!20002\r\n"));
    b.bus.setMeasurementSeconds(2, 1);
    QElapsedTimer t;
    t.start();
    QCOMPARE(b.ask("2M!", 50), QByteArray("2M!20012\r\n"));
    b.received.clear();
    QTRY_COMPARE_WITH_TIMEOUT(b.received, QByteArray("2\r\n"), 3000);
    QVERIFY(t.elapsed() >= 1000);
    // A newer command cancels the pending service request.
    QCOMPARE(b.ask("2M!", 50), QByteArray("2M!20012\r\n"));
    QVERIFY(b.ask("2D0!", 1300).startsWith("2D0!2+"));
    QVERIFY(!b.received.endsWith("2\r\n"));
    // The set-point commands answer like a measurement.
    QCOMPARE(b.ask("2XSPM0.0!"), QByteArray("2XSPM0.0!20012\r\n"));
}

void TestSim::addressAndOthers()
{
    Bus b;
    b.bus.addSensor(3, sim::Family::Level);
    b.bus.addSensor(5, sim::Family::Level);
    QCOMPARE(b.ask("?!"), QByteArray("?!3\r\n"));
    QCOMPARE(b.ask("3A5!"), QByteArray("3A5!3\r\n"));   // 5 is taken
    QCOMPARE(b.ask("3A6!"), QByteArray("3A6!6\r\n"));
    QVERIFY(b.bus.hasSensor(6) && !b.bus.hasSensor(3));
    QCOMPARE(b.ask("3I!"), QByteArray("3I!"));
    QCOMPARE(b.ask("6XSN!"), QByteArray("6XSN!6LT510233\r\n"));
    b.bus.faults().refuseAddress = true;
    QCOMPARE(b.ask("6A8!"), QByteArray("6A8!6\r\n"));
    // Bytes before the address are echoed but do not make a command.
    QCOMPARE(b.ask("xx5!"), QByteArray("xx5!5\r\n"));
}

void TestSim::faults()
{
    Bus b;
    b.bus.addSensor(4, sim::Family::Level);
    sim::Faults &f = b.bus.faults();
    f.silent.insert(4);
    QCOMPARE(b.ask("4I!"), QByteArray("4I!"));
    f.silent.clear();
    f.noAnswer.insert("4XRA!");
    QCOMPARE(b.ask("4XRA!"), QByteArray("4XRA!"));
    QCOMPARE(b.ask("4XMOR!"), QByteArray("4XMOR!4+12.000\r\n"));
    f.noAnswer.clear();
    f.garbage = "\x01zz";
    QCOMPARE(b.ask("4XUT!"), QByteArray("4XUT!\x01zz40\r\n"));
    f.garbage.clear();
    f.noCrLf.insert("4XUT!");
    QCOMPARE(b.ask("4XUT!"), QByteArray("4XUT!40"));
    f.noCrLf.clear();
    f.lateMs = 150;
    QCOMPARE(b.ask("4XUT!", 60), QByteArray("4XUT!"));
    QTRY_COMPARE(b.received, QByteArray("4XUT!40\r\n"));
    f.lateMs = 0;
    f.noServiceRequest = true;
    QCOMPARE(b.ask("4XSPM0.0!", 1300), QByteArray("4XSPM0.0!40012\r\n"));
    f.noServiceRequest = false;
    b.bus.setStream(true);
    const QByteArray s = b.ask("4I!", 100);
    QVERIFY(s.size() > 200);
    QVERIFY(!s.contains('\r'));
    // It goes on through further commands: echoed, never answered.
    const QByteArray more = b.ask("4XUT!", 100);
    QVERIFY(more.contains("4XUT!"));
    QVERIFY(more.size() > 200);
    QVERIFY(!more.contains('\r'));
    b.bus.setStream(false);
    QTest::qWait(30);
    QCOMPARE(b.ask("4XUT!"), QByteArray("4XUT!40\r\n"));
}

void TestSim::pacing()
{
    Bus b;
    b.bus.addSensor(1, sim::Family::Level);
    b.bus.setPaced(true);
    b.bus.setAnswerDelayMs(10);
    b.ask("1XUT!", 250);
    QCOMPARE(b.received, QByteArray("1XUT!10\r\n"));
    // Each character takes its 8.33 ms on the line; the answer follows the
    // echo after the answer delay. A loaded machine only makes bytes late,
    // so only the earliest arrival is checked.
    QCOMPARE(b.at.size(), 9);
    for (int i = 0; i < b.at.size(); ++i) {
        const qint64 least = (i + 1) * 8'330'000LL + (i >= 5 ? 10'000'000LL : 0) - 200'000LL;
        QVERIFY2(b.at[i] - b.sentAt >= least, qPrintable(QString::number(i)));
    }
}

namespace {
struct Program {
    QTemporaryDir runtime;
    QProcess process;
    QString link;
    bool start(const QStringList &args)
    {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SDI12_SIM_PATH), args);
        link = runtime.path() + "/sdi12-ports/COM" + args.value(args.indexOf("--com") + 1);
        QElapsedTimer t;
        t.start();
        while (!QFileInfo(link).isSymLink() && t.elapsed() < 5000)
            QTest::qWait(20);
        return QFileInfo(link).isSymLink();
    }
};

QByteArray exchange(int fd, const QByteArray &cmd, int waitMs)
{
    if (::write(fd, cmd.constData(), static_cast<size_t>(cmd.size())) != cmd.size())
        return {};
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < waitMs && !out.endsWith("\r\n")) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buf[128];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                out.append(buf, static_cast<int>(n));
        }
    }
    return out;
}
} // namespace

void TestSim::programOnPseudoTerminal()
{
    Program p;
    QVERIFY(p.start({"--com", "4", "--level", "0", "--rotary", "7"}));
    const int fd = ::open(QFile::encodeName(p.link).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    QCOMPARE(exchange(fd, "0I!", 2000), QByteArray("0I!013ORVANE  LT-Q5 102\r\n"));
    QCOMPARE(exchange(fd, "7XMU!", 2000), QByteArray("7XMU!71\r\n"));
    ::close(fd);
    // Closing and opening again works.
    const int again = ::open(QFile::encodeName(p.link).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(again >= 0);
    ::tcgetattr(again, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(again, TCSANOW, &t);
    QCOMPARE(exchange(again, "0XRA!", 2000), QByteArray("0XRA!0+10.000\r\n"));
    ::close(again);
    p.process.terminate();
    QVERIFY(p.process.waitForFinished(5000));
    QCOMPARE(p.process.exitCode(), 0);
    QVERIFY(!QFileInfo(p.link).isSymLink());
    const QByteArray log = p.process.readAllStandardError();
    QVERIFY(log.contains("rx 0I!"));
    QVERIFY(log.contains("tx 013ORVANE"));
}

void TestSim::programRunsCommand()
{
    Program p;
    QVERIFY(p.start({"--com", "9", "--level", "1", "--", "/bin/sh", "-c", "sleep 0.3; exit 3"}));
    QVERIFY(p.process.waitForFinished(5000));
    QCOMPARE(p.process.exitCode(), 3);
    QVERIFY(!QFileInfo(p.link).isSymLink());

    QProcess bad;
    bad.start(QStringLiteral(SDI12_SIM_PATH), {"--com", "99"});
    QVERIFY(bad.waitForFinished(5000));
    QCOMPARE(bad.exitCode(), 2);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
