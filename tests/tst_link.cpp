#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "link/Link.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// A link on the port double; the rig is its comms log (each line at the port's time) and its fixed clock.
struct Rig : CommsLog, Clock {
    FakeSerialPort port;
    QStringList lines;
    QVector<qint64> at;
    Link link{&port, this, this};
    QVector<QByteArray> decoded;
    int released = 0;
    Rig()
    {
        port.open();
        link.decode = [this](const QByteArray &l) {
            decoded.push_back(l);
            link.lineAccepted();
        };
        link.releaseAfterTimeout = [this] { ++released; };
    }
    int count() const override { return static_cast<int>(lines.size()); }
    void clear() override { lines.clear(); at.clear(); }
    void append(const QString &l) override
    {
        lines.push_back(l);
        at.push_back(port.nowNs());
    }
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(13, 5, 9)); }
};

const QString T = Clock::timeText(QTime(13, 5, 9));

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void longAnswers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("lastAfterMs");
        // 75 characters of values after aC!, as SDI-12 allows: at 1200 baud they outlast a 100 ms timeout.
        QTest::newRow("answer outlasting the timeout")
            << QByteArray("0D0!0+1.2345678+2.3456789+3.4567891+4.5678912+5.6789123+6.7891234+7.8912345+8.9\r\n") << true
            << 8;
        // The line feed handed over late (an adapter's next delivery), the timeout falling after the CR.
        QTest::newRow("line feed after the timeout") << QByteArray("0D0!0+1\r\n") << true << 50;
        // A sensor that streams without an end: the exchange still times out while its bytes keep coming.
        QTest::newRow("no end") << QByteArray("0D0!0") + QByteArray(2 * Link::LongestLine, '7') << false << 8;
    }
    void longAnswers()
    {
        // A byte every 8 ms, as at 1200 baud, from the write on; the last after `lastAfterMs`.
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        QFETCH(int, lastAfterMs);
        Rig r;
        r.link.BreakTiming = r.link.MarkTiming = 0;
        r.link.setCommandTimeout(100);
        r.link.send_TXbuff("0D0!");
        QTimer pace;
        int sent = 0;
        connect(&pace, &QTimer::timeout, this, [&] {
            sent < bytes.size() ? r.port.feed(bytes.mid(sent++, 1)) : pace.stop();
            if (sent == bytes.size() - 1)
                pace.start(lastAfterMs);
        });
        pace.start(8);
        QTRY_VERIFY_WITH_TIMEOUT(!r.link.exchangeInFlight(), 5000);
        QCOMPARE(r.decoded, whole ? QVector<QByteArray>{bytes.chopped(2)} : QVector<QByteArray>{});
        QCOMPARE(r.released, whole ? 0 : 1);
        QCOMPARE(sent < bytes.size(), !whole);   // the stream was still coming when it timed out
    }
    void receiving()
    {
        Rig r;
        // Bytes fed in turn on one link: the lines decoded from each, and the receive state after.
        const std::tuple<QByteArray, QVector<QByteArray>, int> feeds[] = {
            {QByteArray(1, '\0') + "\r\nxx0I!013ORVANE  LT-Q5 102\r\n", {"0I!013ORVANE  LT-Q5 102"}, 0},   // noise
            {"?!0\r", {}, 4},                          // "?" starts a line as a digit does; the LF is awaited
            {"\n", {"?!0"}, 0},
            {"5X\rZ", {"5X"}, 0},                     // any byte after the CR ends the line, and is not stored
            {QByteArray("\xB0I!\r\n"), {"0I!"}, 0},   // bytes are read as 7-bit characters
            {QByteArray(1, '0') + QByteArray(Link::MaxLine + 100, 'A'), {}, 0},   // an overlong line: dropped
            {"2I!2\r\n", {"2I!2"}, 0},                // framing starts again at the next address character
        };
        for (const auto &[bytes, lines, state] : feeds) {
            r.decoded.clear();
            r.port.feed(bytes);
            QCOMPARE(r.decoded, lines);
            QCOMPARE(r.link.RxState, state);
            QVERIFY(r.link.rx().Data.size() <= Link::MaxLine && r.link.rx().Text.size() <= Link::MaxLine);
            if (!lines.isEmpty()) {   // the last line received, whole
                QCOMPARE(r.link.rx().Count, lines.last().size());
                QVERIFY(r.link.rx().Complete);
            }
        }
        // What arrives is the system's until the event loop runs; then it is read at once, in the order it came.
        r.decoded.clear();
        r.port.arrive("3I!");
        r.port.arrive("3\r\n");
        QVERIFY(r.decoded.isEmpty() && r.port.bytesAvailable() == 0);
        QTRY_COMPARE(r.decoded, QVector<QByteArray>{"3I!3"});
        r.port.feed("3XRA!3+1", true);
        r.link.FlushInput();   // drops what is waiting, back to state 0
        QCOMPARE(r.port.bytesAvailable(), 0);
        QCOMPARE(r.link.RxState, 0);
        // The comms log: a line each LF received, NULs left out; at 150 lines the next LF empties it first.
        r.clear();
        r.port.feed("\n");
        QCOMPARE(r.lines, QStringList{T + " <-- "});
        r.port.feed(QByteArray("0I!\x00" "01\r\n", 9));
        QCOMPARE(r.lines.last(), T + " <-- 0I!01");
        while (r.count() < 149)
            r.append("x");
        r.link.send_TXbuff("0I!");
        QCOMPARE(r.count(), 150);
        r.port.feed("0I!0\r\n");
        QCOMPARE(r.lines, QStringList{T + " <-- 0I!0"});
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
        const qint64 fedAt = r.port.nowNs();
        r.port.feed("x3");
        QCOMPARE(requested, QVector<int>{3});
        QVERIFY(r.port.nowNs() - fedAt >= 30'000'000);
        QVERIFY(!r.link.exchangeInFlight());
        // No service request: the data are asked for once the announced time and the data timeout have passed.
        requested.clear();
        r.link.awaitServiceRequest(0);
        QVERIFY(r.link.exchangeInFlight());
        QTRY_COMPARE(requested, QVector<int>{3});
        QCOMPARE(r.link.RxState, 0);
        QVERIFY(!r.link.exchangeInFlight());
        // What came without a line end (the echo of a command no sensor answered, a late byte) is a line of
        // its own at the timeout or before the next command, never glued before the next answer.
        r.clear();
        r.link.setCommandTimeout(20);
        r.link.send_TXbuff("5I!");
        r.port.feed("5I!");
        QTRY_VERIFY(!r.link.exchangeInFlight());
        r.port.feed("5");
        r.link.send_TXbuff("6I!");
        r.port.feed("6I!6\r\n");
        QCOMPARE(r.lines, (QStringList{T + " --> 5I!", T + " <-- 5I!", T + " <-- 5", T + " --> 6I!", T + " <-- 6I!6"}));
    }

    // What a serial adapter that marks errors hands over: FF FF is a received FF (7F in 7 bits), FF 00 x a byte
    // received with a parity or framing error ('?'); a mark cut at the end waits for the rest. Unmarked: 7 bits each.
    void receivedBytes()
    {
        const std::tuple<QByteArray, bool, QByteArray, QByteArray> rows[] = {
            {"\xFF\xFF" "0", true, "\x7F" "0", ""},
            {QByteArray("0\xFF\x00" "A1", 5), true, "0?1", ""},
            {"\xFF" "A", true, "\x7F" "A", ""},
            {"0\xFF", true, "0", "\xFF"},
            {QByteArray("0\xFF\x00", 3), true, "0", QByteArray("\xFF\x00", 2)},
            {QByteArray("\xFF\x00" "A\xB0", 4), false, QByteArray("\x7F\x00" "A0", 4), ""},
        };
        for (const auto &[bytes, marks, out, left] : rows) {
            QByteArray raw = bytes, decoded;
            decodeReceived(raw, decoded, marks);
            QCOMPARE(decoded, out);
            QCOMPARE(raw, left);
        }
    }

    // Break, mark, the stale input dropped from both places, then the command handed to the line at once.
    void transmitterOrder()
    {
        Rig r;
        r.port.clearCalls();
        r.port.feed("9XRA!9+1.0\r", true);   // stale bytes the port has read
        r.port.arrive("9+2");                 // and more the system still holds
        r.link.RxState = 3;
        r.link.strSent_Command = "3XRA!";
        r.link.send_TXbuff("3XRA!");
        QCOMPARE(r.lines.last(), T + " --> 3XRA!");
        const auto &calls = r.port.calls();
        QStringList ops;
        for (const auto &c : calls)
            ops << c.op;
        QCOMPARE(ops, (QStringList{"break-on", "break-off", "clear", "write", "tx"}));
        QCOMPARE(calls.at(2).data, QByteArray("9XRA!9+1.0\r9+2"));
        QCOMPARE(r.port.bursts(), QVector<QByteArray>{"3XRA!"});
        QVERIFY(r.at.last() <= calls.at(0).atNs);
        QVERIFY(calls.at(1).atNs - calls.at(0).atNs >= 20'000'000);   // break
        QVERIFY(calls.at(3).atNs - calls.at(1).atNs >= 15'000'000);   // mark
        QVERIFY(r.link.exchangeInFlight());
        QCOMPARE(r.link.RxState, 0);
        QCOMPARE(r.port.bytesAvailable(), 0);
        QTest::qWait(5);
        QCOMPARE(r.port.bytesAvailable(), 0);
        // The next step written from a receive handler: a burst after its own break; one unanswered: a breach.
        r.link.lineAccepted();
        r.link.send_TXbuff("0XTRIMOF0.0!");
        QCOMPARE(r.port.bursts(), (QVector<QByteArray>{"3XRA!", "0XTRIMOF0.0!"}));
        QVERIFY2(r.port.violations().isEmpty(), qPrintable(r.port.violations().join("; ")));
        QCOMPARE(r.link.overlapCount(), 0);
        r.link.send_TXbuff("0I!");
        QCOMPARE(r.link.overlapCount(), 1);
    }

    // A wait ends when the port is lost, by the timeout, or by the answer (also inside a receive handler).
    void waitEnds()
    {
        Rig r;
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
        QCOMPARE(r.lines.last(), T + " --> 0XUP!");
        QVERIFY(r.port.writes().isEmpty());
        QVERIFY(!r.link.exchangeInFlight());
        QCOMPARE(r.released, 2);
        QVERIFY(!r.link.WaitForResponse());
        QCOMPARE(cannot.count(), 1);
        // Plugged in again, the port holds nothing from before it went: no bytes received, none left to send.
        QVERIFY(r.port.open());
        r.port.feed("0+1.0\r\n", true);
        r.port.arrive("0+2.0\r\n");
        r.port.write("0XA!");
        r.port.vanish();
        QVERIFY(r.port.open());
        r.port.clearCalls();
        r.port.setBreak(false);
        r.port.write("0I!");
        r.decoded.clear();
        QCoreApplication::processEvents();
        QVERIFY(r.port.bytesAvailable() == 0 && r.decoded.isEmpty());
        QCOMPARE(r.port.bursts(), QVector<QByteArray>{"0I!"});
        r.port.feed("0+1.0\r\n", true);   // closed and opened again, neither
        r.port.arrive("0+2.0\r\n");
        r.port.close();
        QVERIFY(r.port.open());
        r.decoded.clear();
        QCoreApplication::processEvents();
        QVERIFY(r.port.bytesAvailable() == 0 && r.decoded.isEmpty());
        // Two commands queued before the loop runs leave as one burst: a breach the double names.
        r.port.setBreak(true);
        r.port.setBreak(false);
        r.port.write("0M!");
        r.port.write("0D0!");
        QCoreApplication::processEvents();
        QCOMPARE(r.port.violations().value(0), QString("2 commands left in one burst: 0M!0D0!"));
        // A decoder that ignores every line: the wait still ends by the timeout, counted from the write.
        r.link.BreakTiming = r.link.MarkTiming = 5;
        r.link.setCommandTimeout(120);
        qint64 firedAt = -1;
        r.link.releaseAfterTimeout = [&] { firedAt = r.port.nowNs(); };
        r.link.decode = [&](const QByteArray &l) { r.decoded.push_back(l); };
        r.link.ResponseState = Link::Waiting;
        r.port.clearCalls();
        r.link.send_TXbuff("4I!");
        const qint64 writeAt = r.port.calls().at(3).atNs;
        QTimer::singleShot(10, [&] { r.port.feed("0I!0\r\n"); });
        QVERIFY(!r.link.WaitForResponse());
        QCOMPARE(r.decoded, QVector<QByteArray>{"0I!0"});
        QVERIFY(firedAt - writeAt >= 120'000'000);
        QCOMPARE(r.link.ResponseState, int(Link::TimedOut));
        // A follow-up sent from the receive handler waits there; like QSerialPort, no nested readyRead.
        r.decoded.clear();
        r.link.setCommandTimeout(2000);
        bool nestedResult = false;
        r.link.decode = [&](const QByteArray &l) {
            r.decoded.push_back(l);
            r.link.lineAccepted();
            if (l.startsWith("0XUP3!")) {
                r.link.ResponseState = Link::Waiting;
                r.link.strSent_Command = "0XP!";
                r.link.send_TXbuff("0XP!");
                QTimer::singleShot(20, [&] { r.port.feed("0XP!00\r\n", true); });
                nestedResult = r.link.WaitForResponse();
            } else if (l.startsWith("0XP!")) {
                r.link.ResponseState = Link::Answered;
            }
        };
        r.port.feed("0XUP3!03\r\n");
        QVERIFY(nestedResult);
        QCOMPARE(r.decoded, (QVector<QByteArray>{"0XUP3!03", "0XP!00"}));
        // Bytes that reach the system as the wait times out go with it: never decoded as a later answer.
        r.decoded.clear();
        r.link.setCommandTimeout(30);
        r.link.releaseAfterTimeout = [&] { r.port.arrive("4+77\r\n"); };
        r.link.ResponseState = Link::Waiting;
        r.link.send_TXbuff("4XRA!");
        QVERIFY(!r.link.WaitForResponse());
        QTest::qWait(20);
        QCOMPARE(r.decoded, QVector<QByteArray>());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
