#include "link/FakeSerialPort.h"
#include "link/Link.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

struct ListLog : CommsLog {
    QStringList lines;
    QVector<qint64> at;
    FakeSerialPort *port = nullptr;
    int count() const override { return static_cast<int>(lines.size()); }
    void clear() override { lines.clear(); at.clear(); }
    void append(const QString &l) override
    {
        lines.push_back(l);
        at.push_back(port ? port->nowNs() : 0);
    }
};

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(13, 5, 9)); }
};

struct Rig {
    FakeSerialPort port;
    ListLog log;
    FixedClock clock;
    Link link{&port, &log, &clock};
    QVector<QByteArray> decoded;
    int released = 0;
    Rig()
    {
        log.port = &port;
        port.open();
        link.decode = [this](const QByteArray &l) {
            decoded.push_back(l);
            link.lineAccepted();
        };
        link.releaseAfterTimeout = [this] { ++released; };
    }
};

const QString T = Clock::timeText(QTime(13, 5, 9));

} // namespace

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void framing();
    void commsLogRules();
    void serviceRequestState();
    void transmitterOrder();
    void timeoutNotEarly();
    void waitInsideReceiveHandler();
    void portLostThenClosed();
};

void TestLink::framing()
{
    Rig r;
    // Noise, then the echo and the answer in one line.
    r.port.feed(QByteArray(1, '\0') + "\r\nxx0I!013ORVANE  LT-Q5 102\r\n");
    QCOMPARE(r.decoded.size(), 1);
    QCOMPARE(r.decoded[0], QByteArray("0I!013ORVANE  LT-Q5 102"));
    QCOMPARE(r.link.rx().Count, r.decoded[0].size());
    QVERIFY(r.link.rx().Complete);

    // "?" starts a line as a digit does; a missing LF leaves the line open.
    r.decoded.clear();
    r.port.feed("?!0\r");
    QCOMPARE(r.decoded.size(), 0);
    QCOMPARE(r.link.RxState, 4);
    r.port.feed("\n");
    QCOMPARE(r.decoded, QVector<QByteArray>{QByteArray("?!0")});

    // Any byte completes a line after its CR, and is not stored.
    r.decoded.clear();
    r.port.feed("5X\rZ");
    QCOMPARE(r.decoded, QVector<QByteArray>{QByteArray("5X")});

    // Bytes are read as 7-bit characters.
    r.decoded.clear();
    r.port.feed(QByteArray("\xB0I!\r\n"));
    QCOMPARE(r.decoded, QVector<QByteArray>{QByteArray("0I!")});

    // FlushInput drops what is waiting and returns to state 0.
    r.decoded.clear();
    r.port.feed("3XRA!3+1", true);
    r.link.FlushInput();
    QCOMPARE(r.port.bytesAvailable(), 0);
    QCOMPARE(r.link.RxState, 0);

    // An overlong line is dropped, bounded; framing starts again at the next
    // address character.
    QByteArray flood(Link::MaxLine + 100, 'A');
    flood.prepend('0');
    r.port.feed(flood);
    QCOMPARE(r.link.RxState, 0);
    QVERIFY(r.link.rx().Data.size() <= Link::MaxLine);
    QVERIFY(r.link.rx().Text.size() <= Link::MaxLine);
    r.port.feed("2I!2\r\n");
    QCOMPARE(r.decoded, QVector<QByteArray>{QByteArray("2I!2")});
}

void TestLink::commsLogRules()
{
    Rig r;
    r.port.feed("\n");
    QCOMPARE(r.log.lines, QStringList{T + " <-- "});
    r.port.feed(QByteArray("0I!\x00" "01\r\n", 9));
    QCOMPARE(r.log.lines.last(), T + " <-- 0I!01");

    // 150 lines of either kind: the next received LF empties the list first.
    r.log.clear();
    for (int i = 0; i < 149; ++i)
        r.log.append("x");
    r.link.send_TXbuff("0I!");
    QCOMPARE(r.log.count(), 150);
    r.port.feed("0I!0\r\n");
    QCOMPARE(r.log.lines, QStringList{T + " <-- 0I!0"});
}

void TestLink::serviceRequestState()
{
    Rig r;
    QVector<int> requested;
    r.link.requestMeasurementData = [&](int a) { requested.push_back(a); };
    r.link.DataTimeout = 30;

    // A CR before the expected address: state 2, then 0, no data request.
    r.link.ServiceRequestAddress = 3;
    r.link.awaitServiceRequest(2);
    r.port.feed("7\r");
    QCOMPARE(r.link.RxState, 2);
    r.port.feed("\n");
    QCOMPARE(r.link.RxState, 0);
    QVERIFY(requested.isEmpty());

    // The awaited address: the data request follows after the data timeout.
    r.link.awaitServiceRequest(2);
    QElapsedTimer t;
    t.start();
    r.port.feed("x3");
    QCOMPARE(requested, QVector<int>{3});
    QVERIFY(t.elapsed() >= 30);
    QVERIFY(!r.link.exchangeInFlight());

    // No service request: the data are asked for once the announced time
    // and the data timeout have passed.
    requested.clear();
    r.link.awaitServiceRequest(0);
    QVERIFY(r.link.exchangeInFlight());
    QTRY_COMPARE(requested, QVector<int>{3});
    QCOMPARE(r.link.RxState, 0);
    QVERIFY(!r.link.exchangeInFlight());
}

void TestLink::transmitterOrder()
{
    Rig r;
    r.port.clearCalls();
    r.port.feed("9XRA!9+1.0\r", true);   // stale bytes the port has read
    r.port.arrive("9+2");                 // and more the system still holds
    r.link.RxState = 3;
    r.link.strSent_Command = "3XRA!";
    r.link.send_TXbuff("3XRA!");
    const qint64 logAt = r.log.at.last();
    QCOMPARE(r.log.lines.last(), T + " --> 3XRA!");

    QVector<QString> ops;
    QVector<qint64> at;
    for (const auto &c : r.port.calls()) {
        ops.push_back(c.op);
        at.push_back(c.atNs);
    }
    // Break, mark, the stale input dropped from both places, then the
    // command handed to the line at once.
    QCOMPARE(ops, (QVector<QString>{"break-on", "break-off", "clear", "write", "tx"}));
    QCOMPARE(r.port.calls().at(2).data, QByteArray("9XRA!9+1.0\r9+2"));
    QCOMPARE(r.port.bursts(), QVector<QByteArray>{"3XRA!"});
    QVERIFY(logAt <= at[0]);
    QVERIFY(at[1] - at[0] >= 20'000'000);        // break
    QVERIFY(at[3] - at[1] >= 15'000'000);        // mark
    QVERIFY(r.link.exchangeInFlight());
    QCOMPARE(r.port.bytesAvailable(), 0);
    QCOMPARE(r.link.RxState, 0);
    QTest::qWait(5);
    QCOMPARE(r.port.bytesAvailable(), 0);

    // The next step written from inside a receive handler, before the event
    // loop runs again: two bursts, each after its own break.
    r.link.lineAccepted();
    r.link.send_TXbuff("0XTRIMOF0.0!");
    QCOMPARE(r.port.bursts(), (QVector<QByteArray>{"3XRA!", "0XTRIMOF0.0!"}));
    QVERIFY2(r.port.violations().isEmpty(), qPrintable(r.port.violations().join("; ")));
    QCOMPARE(r.link.overlapCount(), 0);
    // Written while that command still awaits its answer: a breach.
    r.link.send_TXbuff("0I!");
    QCOMPARE(r.link.overlapCount(), 1);
}

void TestLink::timeoutNotEarly()
{
    Rig r;
    r.link.BreakTiming = r.link.MarkTiming = 5;
    r.link.setCommandTimeout(120);
    qint64 firedAt = -1;
    r.link.releaseAfterTimeout = [&] { firedAt = r.port.nowNs(); };
    // A decoder that ignores every line: the wait still ends by the timeout,
    // counted from the write.
    r.link.decode = [&](const QByteArray &l) { r.decoded.push_back(l); };
    r.link.ResponseState = Link::Waiting;
    r.port.clearCalls();
    r.link.send_TXbuff("4I!");
    QCOMPARE(r.port.calls().at(3).op, QString("write"));
    const qint64 writeAt = r.port.calls().at(3).atNs;
    QTimer::singleShot(10, [&] { r.port.feed("0I!0\r\n"); });
    QVERIFY(!r.link.WaitForResponse());
    QCOMPARE(r.decoded.size(), 1);
    QVERIFY(firedAt - writeAt >= 120'000'000);
    QCOMPARE(r.link.ResponseState, int(Link::TimedOut));
}

void TestLink::waitInsideReceiveHandler()
{
    Rig r;
    r.link.BreakTiming = r.link.MarkTiming = 1;
    r.link.setCommandTimeout(2000);
    bool nestedResult = false;
    r.link.decode = [&](const QByteArray &l) {
        r.decoded.push_back(l);
        r.link.lineAccepted();
        if (l.startsWith("0XUP3!")) {
            // A follow-up sequence started from inside the receive handler.
            r.link.ResponseState = Link::Waiting;
            r.link.strSent_Command = "0XP!";
            r.link.send_TXbuff("0XP!");
            // The answer arrives while this handler still runs; like
            // QSerialPort, the port raises no nested readyRead.
            QTimer::singleShot(20, [&] { r.port.feed("0XP!00\r\n", true); });
            nestedResult = r.link.WaitForResponse();
        } else if (l.startsWith("0XP!")) {
            r.link.ResponseState = Link::Answered;
        }
    };
    r.port.feed("0XUP3!03\r\n");
    QVERIFY(nestedResult);
    QCOMPARE(r.decoded, (QVector<QByteArray>{"0XUP3!03", "0XP!00"}));
}

void TestLink::portLostThenClosed()
{
    Rig r;
    r.link.BreakTiming = r.link.MarkTiming = 1;
    QSignalSpy lost(&r.link, &Link::portLost);
    QSignalSpy cannot(&r.link, &Link::cannotSend);
    r.link.ResponseState = Link::Waiting;
    r.link.send_TXbuff("0M!");
    QTimer::singleShot(10, [&] { r.port.vanish(); });
    QVERIFY(!r.link.WaitForResponse());
    QCOMPARE(lost.count(), 1);
    QCOMPARE(r.released, 1);
    QVERIFY(!r.port.isOpen());
    // Sending on the closed port: logged, not written, ended at once.
    r.port.clearCalls();
    r.link.ResponseState = Link::Waiting;
    r.link.send_TXbuff("0XUP!");
    QCOMPARE(cannot.count(), 1);
    QCOMPARE(r.log.lines.last(), T + " --> 0XUP!");
    QVERIFY(r.port.writes().isEmpty());
    QVERIFY(!r.link.exchangeInFlight());
    QCOMPARE(r.released, 2);
    QVERIFY(!r.link.WaitForResponse());
    QCOMPARE(cannot.count(), 1);

    // Plugged in again, the port holds nothing from before it went: neither
    // bytes received nor bytes written and not yet sent.
    QVERIFY(r.port.open());
    r.port.feed("0+1.0\r\n", true);
    r.port.arrive("0+2.0\r\n");
    r.port.write("0XA!");
    r.port.vanish();
    QVERIFY(r.port.open());
    r.port.clearCalls();
    r.port.setBreak(false);
    r.port.write("0I!");
    QCoreApplication::processEvents();
    QCOMPARE(r.port.bytesAvailable(), 0);
    QCOMPARE(r.port.bursts(), QVector<QByteArray>{"0I!"});
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
