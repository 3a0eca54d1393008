#include "support/LineScript.h"

#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/CommandExchange.h"

#include <QTest>

namespace {

// A unit on port 1 of the in-process line, on the virtual clock.
struct Line {
    Line()
    {
        comm.PortNumber(1);
        comm.PortOpen(true);
    }
    void fault(const char *point, UnitEngine::Fault::Kind kind, const QByteArray &bytes = {})
    {
        UnitEngine::Fault fault;
        fault.point = point;
        fault.kind = kind;
        fault.replacement = bytes;
        fault.delayMs = 2000 + 5000;
        unit.injectFault(fault);
    }
    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
};

} // namespace

// The shape of every exchange, the discard before it and the drain after it, byte for byte.
class tst_exchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void drainReadsUntilShort_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<int>("unaskedPerSecond");
        QTest::addColumn<QStringList>("reads"); // empty: not compared
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("elapsedMs");
        QTest::newRow("nothing waiting: one read") << 0 << 0 << QStringList { drainOf(0) } << true << 200;
        QTest::newRow("25 waiting: 10, 10, 5")
            << 25 << 0 << QStringList { drainOf(10), drainOf(10), drainOf(5) } << true << 200;
        QTest::newRow("20 waiting: 10, 10, 0")
            << 20 << 0 << QStringList { drainOf(10), drainOf(10), drainOf(0) } << true << 200;
        // Bounded by the line's time, not by a count of reads: about two seconds, then false.
        QTest::newRow("50 bytes a second for an hour") << 0 << 50 << QStringList() << false << 2180;
    }
    void drainReadsUntilShort()
    {
        QFETCH(int, waiting);
        QFETCH(int, unaskedPerSecond);
        QFETCH(QStringList, reads);
        Line l;
        l.fault("q", UnitEngine::Fault::Replace, QByteArray(waiting, 'x'));
        sendCommand(l.comm, 'q');
        l.unit.sendUnasked(unaskedPerSecond, 0, 3600 * 1000);
        l.comm.clearLine();
        QTEST(DrainInput(l.comm), "silent");
        QTEST(int(l.clock.now()), "elapsedMs");
        if (!reads.isEmpty())
            QCOMPARE(lineScript(l.comm), reads);
    }

    // Each part its own write, then one read; a short or wrong reply is drained, and what is left
    // of it never becomes the reply to the next command: here a register read a user's pause later.
    void exchangeAndLeftovers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("afterWrite"); // the write's read, its drain and the discard
        QTest::newRow("answered") << int(UnitEngine::Fault::Replace) << QByteArray("Kx")
                                  << QStringList { readOf(2, 2000, 2), discardOf(0) };
        QTest::newRow("silent") << int(UnitEngine::Fault::NoReply) << QByteArray()
                                << QStringList { readOf(2, 2000, 0), drainOf(0), discardOf(0) };
        QTest::newRow("answered 5 s after the wait") << int(UnitEngine::Fault::Delay) << QByteArray()
                                                     << QStringList { readOf(2, 2000, 0), drainOf(0), discardOf(2) };
        QTest::newRow("two bytes too many") << int(UnitEngine::Fault::Append) << QByteArray("xy")
                                            << QStringList { readOf(2, 2000, 2), discardOf(2) };
        QTest::newRow("wrong letter") << int(UnitEngine::Fault::Replace) << QByteArray("NOPE")
                                      << QStringList { readOf(2, 2000, 2), drainOf(2), discardOf(0) };
    }
    void exchangeAndLeftovers()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, afterWrite);
        Line l;
        l.unit.setRegister(9, 9);
        l.fault("W", UnitEngine::Fault::Kind(kind), bytes);
        exchange(l.comm, 'W', { byteText(1), byteText(0) }, 2, 2000,
            [](const QByteArray &reply) { return reply.startsWith('K'); });
        l.clock.advance(10000);
        QCOMPARE(exchange(l.comm, 'R', { byteText(9) }, 2, 2000), QByteArray("\x09K"));
        QCOMPARE(lineScript(l.comm),
            command({ "W", "\\x01", "\\x00", "\\r" }) + afterWrite + writes({ "R", "\\x09", "\\r" })
                << readOf(2, 2000, 2));
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
