#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/CommandExchange.h"

#include <QTest>

// The exchange shape and the drain, byte for byte against the simulated unit.
class tst_exchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void identifyWritesLetterThenReturn()
    {
        VirtualClock clock;
        UnitEngine unit;
        SimComm comm(unit, clock);
        comm.PortNumber(1);
        comm.PortOpen(true);
        const QByteArray reply = exchange(comm, 'q', {}, 10, 500);
        QCOMPARE(reply, QByteArray("Tavix v1.0"));
        QCOMPARE(comm.line().size(), 3);
        QCOMPARE(comm.line()[0].bytes, QByteArray("q"));
        QCOMPARE(comm.line()[1].bytes, QByteArray("\r"));
        QCOMPARE(comm.line()[2].count, 10);
        QCOMPARE(comm.line()[2].waitMs, 500);
        // A full reply ends the read at once.
        QCOMPARE(clock.now(), 0);
    }

    void silentUnitCostsTheWholeWait()
    {
        VirtualClock clock;
        UnitEngine unit;
        unit.setSilent(true);
        SimComm comm(unit, clock);
        comm.PortNumber(1);
        comm.PortOpen(true);
        QVERIFY(exchange(comm, 'q', {}, 10, 500).isEmpty());
        QCOMPARE(clock.now(), 500);
        QVERIFY(!comm.takeError());
    }

    void parametersAreWrittenOneByOne()
    {
        VirtualClock clock;
        UnitEngine unit;
        SimComm comm(unit, clock);
        comm.PortNumber(1);
        comm.PortOpen(true);
        sendCommand(comm, 'W', {byteText(1), byteText(255)});
        QCOMPARE(comm.line().size(), 4);
        QCOMPARE(comm.written(), QByteArray("W\x01\xff\r"));
        QCOMPARE(locationText(7), QByteArray("07"));
    }

    void drainReadsUntilShort_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<QList<int>>("reads");
        QTest::newRow("nothing waiting: one read") << 0 << QList<int>{0};
        QTest::newRow("25 waiting: 10, 10, 5") << 25 << QList<int>{10, 10, 5};
        QTest::newRow("20 waiting: 10, 10, 0") << 20 << QList<int>{10, 10, 0};
    }
    void drainReadsUntilShort()
    {
        QFETCH(int, waiting);
        QFETCH(QList<int>, reads);
        VirtualClock clock;
        UnitEngine unit;
        UnitEngine::Fault fault;
        fault.point = "q";
        fault.kind = UnitEngine::Fault::Replace;
        fault.replacement = QByteArray(waiting, 'x');
        unit.injectFault(fault);
        SimComm comm(unit, clock);
        comm.PortNumber(1);
        comm.PortOpen(true);
        sendCommand(comm, 'q');
        comm.clearLine();
        DrainInput(comm);
        QList<int> seen;
        for (const auto &event : comm.line()) {
            QCOMPARE(event.kind, SimComm::LineEvent::Read);
            QCOMPARE(event.count, 10);
            QCOMPARE(event.waitMs, 200);
            seen << int(event.bytes.size());
        }
        QCOMPARE(seen, reads);
    }

    void closedPortNeverBlocksAndReportsTheFault()
    {
        VirtualClock clock;
        UnitEngine unit;
        SimComm comm(unit, clock);
        sendCommand(comm, 'q');
        QVERIFY(readReply(comm, 10, 500).isEmpty());
        DrainInput(comm);
        const auto error = comm.takeError();
        QVERIFY(error);
        QCOMPARE(error->fault, CommFault::NotOpen);
        QVERIFY(unit.received().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
