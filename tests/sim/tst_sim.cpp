#include "../support/SimProcess.h"
#include "decode/Crc.h"
#include "link/FakeSerialPort.h"
#include "sim/SimBus.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
using F = sim::Faults;
// One exchange: the fault on for it alone; the reply after the echo (no
// command: only listen) within `ms`, its last byte no sooner than `notBeforeMs`.
struct Step {
    void (*fault)(F &);
    QByteArray command, reply;
    int ms = 60, notBeforeMs = 0;
};

// A bus on the port test double, answering at once: level probes at
// `levels`, a rotary encoder at 7.
struct Bench {
    FakeSerialPort port;
    sim::SimBus bus;
    sim::InProcessLink link{port, bus};
    QByteArray received;
    QVector<qint64> at;   // arrival of each byte, ns
    qint64 sentAt = 0;    // when the command was written, ns
    Bench(std::initializer_list<int> levels, bool standard = false)
    {
        QObject::connect(&port, &SerialPort::readyRead, &port, [this] {
            while (port.bytesAvailable()) {
                received += port.readByte();
                at.push_back(port.nowNs());
            }
        });
        port.open();
        bus.setAnswerDelayMs(0);
        bus.setStandard(standard);
        for (int a : levels)
            bus.addSensor(a, sim::Family::Level);
        bus.addSensor(7, sim::Family::Rotary);
    }
    // Sends a command and returns what came back within `ms`.
    QByteArray ask(const QByteArray &cmd, int ms = 60)
    {
        received.clear(), at.clear();
        sentAt = port.nowNs();
        port.write(cmd);
        QTest::qWait(ms);
        return received;
    }
    void run(std::initializer_list<Step> steps)
    {
        for (const Step &s : steps) {
            bus.faults() = F();
            if (s.fault)
                s.fault(bus.faults());
            QCOMPARE(ask(s.command, s.ms), s.command + s.reply);
            if (s.notBeforeMs)
                QVERIFY2(at.last() - sentAt >= s.notBeforeMs * 1'000'000LL, s.command.constData());
        }
    }
};

// Opens the port raw, writes the command and reads up to its CR LF.
QByteArray exchange(const QString &link, const QByteArray &cmd)
{
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    const bool written = fd >= 0 && ::write(fd, cmd.constData(), static_cast<size_t>(cmd.size())) == cmd.size();
    while (written && clock.elapsed() < 2000 && !out.endsWith("\r\n")) {
        pollfd p{fd, POLLIN, 0};
        char buf[128];
        const ssize_t n = ::poll(&p, 1, 20) > 0 ? ::read(fd, buf, sizeof buf) : 0;
        out.append(buf, static_cast<int>(qMax<ssize_t>(n, 0)));
    }
    ::close(fd);
    return out;
}
} // namespace

class TestSim : public QObject
{
    Q_OBJECT
private slots:
    // What the console's own suites do not draw out of the bus, in order on
    // one bus. The plain answers to every parameter command are theirs.
    void exchanges()
    {
        Bench b({3, 5});
        const auto noRA = [](F &f) { f.noAnswer.insert("6XRA!"); };
        b.run({
            // Values out of range and the other family's commands: only the echo.
            {{}, "3XREV5!", ""}, {{}, "3XMU!", ""}, {{}, "3C!", ""}, {{}, "7M!", ""}, {{}, "7XUP!", ""},
            // The lowest address answers "?!"; bytes before an address make no command.
            {{}, "?!", "3\r\n"}, {{}, "xx5!", "5\r\n"},
            // A taken address is refused; a sensor moves with its parameters.
            {{}, "3A5!", "3\r\n"}, {{}, "3A6!", "6\r\n"}, {{}, "3I!", ""}, {{}, "6XSN!", "6LT510233\r\n"},
            {[](F &f) { f.refuseAddress = true; }, "6A8!", "6\r\n"}, {[](F &f) { f.silent.insert(6); }, "6I!", ""},
            {noRA, "6XRA!", ""}, {noRA, "6XMOR!", "6+12.000\r\n"},
            {[](F &f) { f.garbage = "\x01zz"; }, "6XUT!", "\x01zz60\r\n"},
            {[](F &f) { f.noCrLf.insert("6XUT!"); }, "6XUT!", "60"},
            {[](F &f) { f.lateMs = 150; }, "6XUT!", ""}, {{}, "", "60\r\n", 300},   // late, not lost
            {[](F &f) { f.repeatLetters = true; }, "7XRD!", "7XRD1\r\n"},
            // A measurement's service request comes the seconds it gave after
            // its answer (none for none); a newer command cancels it.
            {{}, "7C!", "700001\r\n"}, {{}, "5M!", "50012\r\n", 900}, {{}, "", "5\r\n", 600},
            {{}, "5M!", "50012\r\n"}, {{}, "5D0!", "5+1.2345+21.50\r\n", 1300},
            // A set-point command answers like a measurement, here without its service request.
            {[](F &f) { f.noServiceRequest = true; }, "6XSPM0.0!", "60012\r\n", 1300},
        });
        if (QTest::currentTestFailed())
            return;
        QVERIFY(b.bus.hasSensor(6) && !b.bus.hasSensor(3));
        // A sensor that streams: echoes of further commands, never an answer.
        b.bus.setStream(true);
        for (const QByteArray &cmd : {QByteArray("6I!"), QByteArray("6XUT!")}) {
            b.ask(cmd, 0);   // a loaded machine streams slower: waited for, not timed
            QTRY_VERIFY_WITH_TIMEOUT(b.received.size() > 200, 5000);
            QVERIFY(b.received.contains(cmd) && !b.received.contains('\r'));
        }
        b.bus.setStream(false);
        QTest::qWait(30);
        QCOMPARE(b.ask("6XUT!"), QByteArray("6XUT!60\r\n"));
        // Paced, each character takes its 8.33 ms on the line; the answer follows
        // the echo after the answer delay. A loaded machine only makes bytes late,
        // so only the earliest arrival is checked.
        b.bus.setPaced(true);
        b.bus.setAnswerDelayMs(10);
        QCOMPARE(b.ask("6XUT!", 200), QByteArray("6XUT!60\r\n"));
        QCOMPARE(b.at.size(), 9);
        for (int i = 0; i < b.at.size(); ++i) {
            const qint64 least = (i + 1) * 8'330'000LL + (i >= 5 ? 10'000'000LL : 0) - 200'000LL;
            QVERIFY2(b.at[i] - b.sentAt >= least, qPrintable(QString::number(i)));
        }
    }

    // Standard mode, in order on one bus: 3 a level probe (1 s), 4 a level probe
    // with two further values (0 s), 7 a rotary encoder (1 s).
    void standard()
    {
        Bench b({3, 4}, true);
        b.bus.setMeasurementSeconds(4, 0);
        b.bus.setMeasurementSeconds(7, 1);
        b.bus.setExtraValues(4, 2);
        const auto crc = [](const QByteArray &a) { return crc::withCrc(a) + "\r\n"; };
        b.run({
            // Before the time given, the address alone. An aC! goes on and never ends in a service request; the
            // early request ends an aM!, which otherwise ends in one.
            {{}, "7C!", "700101\r\n"}, {{}, "7D0!", "7\r\n"}, {{}, "3M!", "30012\r\n"}, {{}, "3D0!", "3\r\n"},
            {{}, "", "", 1200}, {{}, "3D0!", "3\r\n"}, {{}, "3M!", "30012\r\n"}, {{}, "", "3\r\n", 1200},
            {{}, "3D0!", "3+1.2355+21.50\r\n"}, {{}, "7D0!", "7+12.345\r\n"},
            // Commands to other sensors leave an aM! running; data with CRC, kept.
            {{}, "3MC!", "30012\r\n", 300}, {{}, "7XMU!", "71\r\n"}, {{}, "", "3\r\n", 1000},
            {{}, "3D0!", crc("3+1.2365+21.51")}, {{}, "3D0!", crc("3+1.2365+21.51")}, {{}, "7D0!", "7+12.345\r\n"},
            // No time, no service request; the other family's measurements.
            {{}, "4M!", "40004\r\n", 300}, {{}, "4D0!", "4+1.2345+21.50-1.250+2.500\r\n"}, {{}, "4CC!", "400004\r\n"},
            {{}, "4D0!", crc("4+1.2355+21.50-1.250+2.500")}, {{}, "4D1!", "4\r\n"},
            {{}, "7M!", "70011\r\n7\r\n", 1400, 1000}, {{}, "7D0!", "7+12.345\r\n"},
            // Continuous measurements: at once, with and without CRC.
            {{}, "4R0!", "4+1.2365+21.51-1.250+2.500\r\n"}, {{}, "4RC0!", crc("4+1.2375+21.51-1.250+2.500")},
            {{}, "3RC0!", crc("3+1.2375+21.51")},
            // A set-point command answers as aM! does; parameters as always.
            {{}, "4XSPM1.0!", "40004\r\n"}, {{}, "4D0!", "4+1.2384+21.52-1.250+2.500\r\n"},
            // Any other command to the sensor aborts its aM!: no service request.
            {{}, "3M!", "30012\r\n"}, {{}, "3XSN!", "3LT510233\r\n"}, {{}, "", "", 1200}, {{}, "3D0!", "3\r\n"},
        });
        // One value to each data command, with CRC too; none beyond the last.
        b.bus.setOneValuePerCommand(true);
        b.run({{{}, "4MC!", "40004\r\n"}, {{}, "4D1!", crc("4+21.52")}, {{}, "4D3!", crc("4+2.500")},
               {{}, "4D0!", crc("4+1.2393")}, {{}, "4D4!", "4\r\n"}, {{}, "4M!", "40004\r\n"},
               {{}, "4D2!", "4-1.250\r\n"}, {{}, "7C!", "700101\r\n"}, {{}, "7D0!", "7\r\n", 1100},
               {{}, "7D0!", "7+12.345\r\n"}, {{}, "7D1!", "7\r\n"}});
    }

    // The program on a pseudo-terminal that can be opened again after closing;
    // a command run under it, whose exit status it passes on; standard mode with
    // further values; a wrong COM number or count of values.
    void program()
    {
        SimProcess p;
        QVERIFY(p.start({"--com", "4", "--level", "0", "--rotary", "7"}, 4));
        QCOMPARE(exchange(p.link(4), "0I!"), QByteArray("0I!013ORVANE  LT-Q5 102\r\n"));
        QCOMPARE(exchange(p.link(4), "7XMU!"), QByteArray("7XMU!71\r\n"));
        QCOMPARE(exchange(p.link(4), "0XRA!"), QByteArray("0XRA!0+10.000\r\n"));
        p.process.terminate();
        QVERIFY(p.process.waitForFinished(5000));
        QCOMPARE(p.process.exitCode(), 0);
        QVERIFY(!QFileInfo(p.link(4)).isSymLink());
        const QByteArray log = p.process.readAllStandardError();
        QVERIFY(log.contains("rx 0I!") && log.contains("tx 013ORVANE"));
        QVERIFY(p.start({"--com", "9", "--level", "1", "--", "/bin/sh", "-c", "sleep 0.3; exit 3"}, 9));
        QVERIFY(p.process.waitForFinished(5000));
        QCOMPARE(p.process.exitCode(), 3);
        QVERIFY(!QFileInfo(p.link(9)).isSymLink());
        QVERIFY(p.start({"--com", "9", "--level", "1", "--", "/bin/sh", "-c", "sleep 0.3; kill -9 $$"}, 9));
        QVERIFY(p.process.waitForFinished(5000));
        QCOMPARE(p.process.exitCode(), 1);   // a child killed is a failure
        QVERIFY(p.start({"--com", "5", "--standard", "--level", "2", "--mtime", "2=0", "--extra-values", "1"}, 5));
        QCOMPARE(exchange(p.link(5), "2D0!"), QByteArray("2D0!2\r\n"));
        QCOMPARE(exchange(p.link(5), "2MC!"), QByteArray("2MC!20003\r\n"));
        QCOMPARE(exchange(p.link(5), "2D0!"), "2D0!" + crc::withCrc("2+1.2345+21.50-1.250") + "\r\n");
        p.process.terminate();
        QVERIFY(p.process.waitForFinished(5000));
        for (const QStringList &args : {QStringList{"--com", "99"}, QStringList{"--com", "5", "--extra-values", "8"},
                                        QStringList{"--com", "5", "--split-values"}}) {
            p.process.start(QStringLiteral(SDI12_SIM_PATH), args);
            QVERIFY(p.process.waitForFinished(5000));
            QCOMPARE(p.process.exitCode(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
