#include "support/LineScript.h"

#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/CommandExchange.h"

#include <QTest>

namespace {

// A unit on an open port 1, answering "q" with `qReply` when one is given.
struct Line {
    explicit Line(std::optional<QByteArray> qReply = {}, bool open = true)
    {
        if (qReply) {
            UnitEngine::Fault fault;
            fault.point = "q";
            fault.kind = UnitEngine::Fault::Replace;
            fault.replacement = *qReply;
            unit.injectFault(fault);
        }
        comm.PortNumber(1);
        comm.PortOpen(open);
    }
    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
};

} // namespace

// The exchange shape and the drain, byte for byte against the simulated unit.
class tst_exchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchangeWritesEachPartThenReads_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("elapsedMs");
        // A full reply ends the read at once; silence costs the whole wait and a drain.
        QTest::newRow("answered") << false << QByteArray("Tavix v1.0") << 0;
        QTest::newRow("silent") << true << QByteArray() << 700;
    }
    void exchangeWritesEachPartThenReads()
    {
        QFETCH(bool, silent);
        QFETCH(QByteArray, reply);
        QFETCH(int, elapsedMs);
        Line l;
        l.unit.setSilent(silent);
        QCOMPARE(exchange(l.comm, 'q', {}, 10, 500), reply);
        QStringList line = command({ "q", "\\r" }) << readOf(10, 500, int(reply.size()));
        if (silent)
            line << drainOf();
        QCOMPARE(lineScript(l.comm), line);
        QCOMPARE(l.clock.now(), elapsedMs);
        QVERIFY(!l.comm.takeError());

        l.comm.clearLine();
        sendCommand(l.comm, 'W', { byteText(1), byteText(255), locationText(7) });
        QCOMPARE(lineScript(l.comm), command({ "W", "\\x01", "\\xff", "07", "\\r" }));
    }

    void drainReadsUntilShort_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<int>("unaskedPerSecond");
        QTest::addColumn<QList<int>>("reads"); // empty: not compared
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("elapsedMs");
        QTest::newRow("nothing waiting: one read") << 0 << 0 << QList<int> { 0 } << true << 200;
        QTest::newRow("25 waiting: 10, 10, 5")
            << 25 << 0 << QList<int> { 10, 10, 5 } << true << 200;
        QTest::newRow("20 waiting: 10, 10, 0")
            << 20 << 0 << QList<int> { 10, 10, 0 } << true << 200;
        // Bounded by the line's time, not by a count of reads: about two seconds, then false.
        QTest::newRow("50 bytes a second for an hour") << 0 << 50 << QList<int>() << false << 2180;
    }
    void drainReadsUntilShort()
    {
        QFETCH(int, waiting);
        QFETCH(int, unaskedPerSecond);
        QFETCH(QList<int>, reads);
        QFETCH(bool, silent);
        QFETCH(int, elapsedMs);
        Line l(QByteArray(waiting, 'x'));
        sendCommand(l.comm, 'q');
        l.unit.sendUnasked(unaskedPerSecond, 0, 3600 * 1000);
        l.comm.clearLine();
        QCOMPARE(DrainInput(l.comm), silent);
        QCOMPARE(l.clock.now(), elapsedMs);
        QStringList expected;
        for (int got : reads)
            expected << drainOf(got);
        if (!reads.isEmpty())
            QCOMPARE(lineScript(l.comm), expected);
    }

    // What is left of one exchange never becomes the reply to the next: a write whose answer
    // comes late, too long or wrong, then a register read a user's pause later.
    void leftoversNeverReachTheNextCommand_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("writeGot");
        QTest::addColumn<int>("drained"); // the drain read's bytes; -1: no drain
        QTest::addColumn<int>("discarded");
        QTest::newRow("answered 5 s after the wait")
            << int(UnitEngine::Fault::Delay) << QByteArray() << 0 << 0 << 2;
        QTest::newRow("two bytes too many")
            << int(UnitEngine::Fault::Append) << QByteArray("xy") << 2 << -1 << 2;
        QTest::newRow("wrong letter")
            << int(UnitEngine::Fault::Replace) << QByteArray("NOPE") << 2 << 2 << 0;
    }
    void leftoversNeverReachTheNextCommand()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, writeGot);
        QFETCH(int, drained);
        QFETCH(int, discarded);
        Line l;
        l.unit.setRegister(9, 9);
        UnitEngine::Fault fault;
        fault.point = "W";
        fault.kind = UnitEngine::Fault::Kind(kind);
        fault.replacement = bytes;
        fault.delayMs = 2000 + 5000;
        l.unit.injectFault(fault);
        exchange(l.comm, 'W', { byteText(1), byteText(0) }, 2, 2000,
            [](const QByteArray &reply) { return reply.startsWith('K'); });
        l.clock.advance(10000);
        QCOMPARE(exchange(l.comm, 'R', { byteText(9) }, 2, 2000), QByteArray("\x09K"));
        QStringList expected = command({ "W", "\\x01", "\\x00", "\\r" })
            << readOf(2, 2000, writeGot);
        if (drained >= 0)
            expected << drainOf(drained);
        expected << discardOf(discarded) << writes({ "R", "\\x09", "\\r" }) << readOf(2, 2000, 2);
        QCOMPARE(lineScript(l.comm), expected);
    }

    void closedPortNeverBlocksAndReportsTheFault()
    {
        Line l({}, false);
        sendCommand(l.comm, 'q');
        QVERIFY(readReply(l.comm, 10, 500).isEmpty());
        DrainInput(l.comm);
        const auto error = l.comm.takeError();
        QVERIFY(error);
        QCOMPARE(error->fault, CommFault::NotOpen);
        QVERIFY(l.comm.written().isEmpty());
        QCOMPARE(l.clock.now(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
