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
        // A full reply ends the read at once; silence costs the whole wait.
        QTest::newRow("answered") << false << QByteArray("Tavix v1.0") << 0;
        QTest::newRow("silent") << true << QByteArray() << 500;
    }
    void exchangeWritesEachPartThenReads()
    {
        QFETCH(bool, silent);
        QFETCH(QByteArray, reply);
        QFETCH(int, elapsedMs);
        Line l;
        l.unit.setSilent(silent);
        QCOMPARE(exchange(l.comm, 'q', {}, 10, 500), reply);
        QCOMPARE(lineScript(l.comm), writes({ "q", "\\r" }) << readOf(10, 500, int(reply.size())));
        QCOMPARE(l.clock.now(), elapsedMs);
        QVERIFY(!l.comm.takeError());

        l.comm.clearLine();
        sendCommand(l.comm, 'W', { byteText(1), byteText(255), locationText(7) });
        QCOMPARE(lineScript(l.comm), writes({ "W", "\\x01", "\\xff", "07", "\\r" }));
    }

    void drainReadsUntilShort_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<QList<int>>("reads");
        QTest::newRow("nothing waiting: one read") << 0 << QList<int> { 0 };
        QTest::newRow("25 waiting: 10, 10, 5") << 25 << QList<int> { 10, 10, 5 };
        QTest::newRow("20 waiting: 10, 10, 0") << 20 << QList<int> { 10, 10, 0 };
    }
    void drainReadsUntilShort()
    {
        QFETCH(int, waiting);
        QFETCH(QList<int>, reads);
        Line l(QByteArray(waiting, 'x'));
        sendCommand(l.comm, 'q');
        l.comm.clearLine();
        DrainInput(l.comm);
        QStringList expected;
        for (int got : reads)
            expected << readOf(10, 200, got);
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
