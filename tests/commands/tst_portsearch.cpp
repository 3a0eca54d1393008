#include "support/RecordingSearchSurface.h"
#include "support/UnitFixture.h"

#include "commands/PortSearch.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString NotFound = QStringLiteral("Cannot Find Tavix, make sure unit is conected!");

// A main window whose component has the simulated unit on one port, and the search window on it.
struct SearchRig {
    explicit SearchRig(qint16 unitPort)
    {
        auto sim = std::make_unique<SimComm>(f.unit, f.clock, unitPort);
        f.comm = sim.get();
        f.controller = std::make_unique<MainController>(f.declarations, f.paths, std::move(sim),
                                                        f.surface, f.prompter, f.windows);
        search = std::make_unique<PortSearch>(f.declarations, f.paths, f.controller.get(), surface,
                                              f.prompter, f.windows);
        search->Form_Load();
    }

    QByteArray settingsFile() const
    {
        QFile file(f.paths.settingsFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    UnitFixture f;
    RecordingSearchSurface surface;
    std::unique_ptr<PortSearch> search;
};

}  // namespace

class tst_portsearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadWaitsTwoSecondsOnPortOne()
    {
        SearchRig rig(1);
        rig.f.declarations.CommPort = 42;
        rig.search->Form_Load();
        QCOMPARE(rig.f.declarations.CommPort, qint16(1));
        QCOMPARE(rig.surface.port, QStringLiteral("1"));
        QVERIFY(rig.search->timer1().isActive());
        QCOMPARE(rig.search->timer1().interval(), 2000);
        QVERIFY(!rig.search->timer2().isActive());
        QVERIFY(rig.f.comm->written().isEmpty());
    }

    void findsTheUnit_data()
    {
        QTest::addColumn<qint16>("unitPort");
        QTest::addColumn<QList<qint16>>("emptyPorts");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::newRow("port 1 at the first try") << qint16(1) << QList<qint16>() << qint64(0);
        QTest::newRow("port 255, missing ports cost nothing")
            << qint16(255) << QList<qint16>() << qint64(0);
        QTest::newRow("silent open ports cost 500 ms each")
            << qint16(4) << QList<qint16> { 1, 2, 3 } << qint64(1500);
    }
    void findsTheUnit()
    {
        QFETCH(qint16, unitPort);
        QFETCH(QList<qint16>, emptyPorts);
        QFETCH(qint64, elapsedMs);

        SearchRig rig(unitPort);
        for (qint16 port : emptyPorts)
            rig.f.comm->addEmptyPort(port);
        rig.search->Timer1_Timer();

        QCOMPARE(rig.surface.search, QStringLiteral("Tavix Found!"));
        QCOMPARE(rig.f.declarations.CommPort, unitPort);
        QCOMPARE(rig.surface.port, QString::number(unitPort));
        QCOMPARE(rig.surface.portsShown.size(), unitPort + 1);  // the load's "1" and each try
        QCOMPARE(rig.f.clock.now(), elapsedMs);
        QVERIFY(rig.f.comm->PortOpen());
        QCOMPARE(rig.f.comm->PortNumber(), unitPort);
        QVERIFY(rig.f.prompter.shown.isEmpty());
        QVERIFY(!rig.search->timer1().isActive());
        QVERIFY(rig.search->timer2().isActive());
        QCOMPARE(rig.search->timer2().interval(), 2000);
        QCOMPARE(rig.surface.unloads, 0);
        // Nothing is stored before the hand-over.
        QVERIFY(!QFile::exists(rig.f.paths.settingsFile));
        QCOMPARE(rig.f.unit.received(), QByteArray("q\r"));
        // The main window's commands were kept off the line only while a port was tried.
        QVERIFY(!rig.f.controller->context().unitBusy);
        QVERIFY(rig.f.surface.unitCommandsEnabled);
    }

    void probeOnTheLine()
    {
        SearchRig rig(2);
        rig.f.comm->addEmptyPort(1);
        rig.f.declarations.BaudRate = QStringLiteral("115200,");
        rig.search->Timer1_Timer();
        // A probe on each port; the baud rate text is used unchanged, comma and all.
        QCOMPARE(rig.f.comm->written(), QByteArray("q\rq\r"));
        QCOMPARE(rig.f.comm->lastLineSettings(), QStringLiteral("115200,N,8,1"));
    }

    void findsNothing_data()
    {
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("deviceGone");
        QTest::addColumn<qint64>("elapsedMs");

        const auto row = [](const char *name, const char *identity, bool silent, bool gone, qint64 ms) {
            QTest::newRow(name) << QByteArray(identity) << silent << gone << ms;
        };
        row("another device", "Modem OK\r\n", false, false, 0);
        row("silent unit", "Tavix v1.0", true, false, 500);
        row("device errors on every write", "Tavix v1.0", false, true, 0);
    }
    void findsNothing()
    {
        QFETCH(QByteArray, identity);
        QFETCH(bool, silent);
        QFETCH(bool, deviceGone);
        QFETCH(qint64, elapsedMs);

        SearchRig rig(128);
        rig.f.unit.setIdentity(identity);
        rig.f.unit.setSilent(silent);
        if (deviceGone)
            rig.f.comm->vanish();
        rig.search->Timer1_Timer();

        QCOMPARE(rig.f.prompter.texts(), QStringList{NotFound});
        QCOMPARE(rig.f.prompter.shown.first().title, QStringLiteral("Tavix"));
        QCOMPARE(rig.f.surface.status(), QStringLiteral("Communication Error, check connections!"));
        QCOMPARE(rig.f.declarations.CommPort, qint16(256));
        QCOMPARE(rig.surface.unloads, 1);
        QVERIFY(!rig.search->timer2().isActive());
        QVERIFY(!rig.f.comm->PortOpen());
        QVERIFY(!QFile::exists(rig.f.paths.settingsFile));
        QVERIFY(rig.f.windows.calls.isEmpty());
        QCOMPARE(rig.f.clock.now(), elapsedMs);
        QCOMPARE(rig.surface.search, QStringLiteral("Searching for Com Port  -  -  - "));
        QVERIFY(rig.f.surface.unitCommandsEnabled);
    }

    void nothingAboveTwoHundredFiftyFive()
    {
        SearchRig rig(256);  // a unit where no port number reaches
        rig.search->Timer1_Timer();
        QCOMPARE(rig.surface.portsShown.size(), 256);
        QCOMPARE(rig.surface.portsShown.last(), QStringLiteral("255"));
        QVERIFY(rig.f.unit.received().isEmpty());
        QCOMPARE(rig.f.prompter.texts(), QStringList{NotFound});
        QCOMPARE(rig.surface.eventRuns, 255);
    }

    void openThatRaisesMovesOn()
    {
        SearchRig rig(3);
        rig.f.comm->setOpenRaisesError(true);
        rig.surface.onEvents = [&rig] {
            if (rig.surface.port == u"3")
                rig.f.comm->setOpenRaisesError(false);
        };
        rig.search->Timer1_Timer();
        QCOMPARE(rig.surface.search, QStringLiteral("Tavix Found!"));
        QCOMPARE(rig.f.declarations.CommPort, qint16(3));
    }

    void handOver_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint16>("port");

        const auto row = [](const char *name, const QString &typed, qint16 port) {
            QTest::newRow(name) << typed << "BaudRate=460800\r\nCommPort=" + QByteArray::number(port) + "\r\n" << port;
        };
        row("as found", QString(), 5);
        row("changed by the user", QStringLiteral("12"), 12);
        row("changed to the last port", QStringLiteral("255"), 255);
        row("text keeps the found one", QStringLiteral("COM3"), 5);
        row("256 keeps the found one", QStringLiteral("256"), 5);
        row("beyond any port number keeps the found one", QStringLiteral("70000"), 5);
    }
    void handOver()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, file);
        QFETCH(qint16, port);

        SearchRig rig(5);
        rig.search->Timer1_Timer();
        QVERIFY(rig.search->timer2().isActive());
        if (!typed.isNull())
            rig.surface.port = typed;
        rig.search->Timer2_Timer();

        QVERIFY(!rig.search->timer2().isActive());
        QCOMPARE(rig.settingsFile(), file);
        QCOMPARE(rig.f.declarations.CommPort, port);
        QCOMPARE(rig.f.windows.calls, QStringList{QStringLiteral("reload main")});
        QCOMPARE(rig.surface.unloads, 1);
        QVERIFY(rig.f.prompter.shown.isEmpty());
    }

    void handOverWithUnwritableSettings()
    {
        SearchRig rig(1);
        QVERIFY(QDir().mkpath(rig.f.paths.settingsFile));  // a folder where the file should go
        rig.search->Timer1_Timer();
        rig.search->Timer2_Timer();
        QCOMPARE(rig.f.prompter.texts(), QStringList{QStringLiteral("Setup file error")});
        QCOMPARE(rig.f.prompter.shown.first().title, QStringLiteral("Tavix"));
        QVERIFY(rig.f.windows.calls.isEmpty());
        QCOMPARE(rig.surface.unloads, 1);
        // The main window keeps the found port open.
        QVERIFY(rig.f.comm->PortOpen());
        QCOMPARE(rig.f.comm->PortNumber(), qint16(1));
    }

    // The search stops quietly at the port where its window or the main window went away.
    void endsWhenAWindowGoesDuringTheSearch_data()
    {
        QTest::addColumn<bool>("mainWindowGoes");
        QTest::newRow("main window unloaded") << true;
        QTest::newRow("search window closed") << false;
    }
    void endsWhenAWindowGoesDuringTheSearch()
    {
        QFETCH(bool, mainWindowGoes);
        SearchRig rig(200);
        rig.surface.onEvents = [&rig, mainWindowGoes] {
            if (rig.surface.port != u"5")
                return;
            if (mainWindowGoes)
                rig.f.controller.reset();
            else
                rig.search->cancel();
        };
        rig.search->Timer1_Timer();
        QCOMPARE(rig.surface.unloads, 1);
        QVERIFY(rig.f.prompter.shown.isEmpty());
        QVERIFY(!rig.search->timer2().isActive());
        QCOMPARE(rig.surface.portsShown.last(), QStringLiteral("5"));
        if (!mainWindowGoes) {
            QVERIFY(!rig.f.comm->PortOpen());
            QVERIFY(rig.f.surface.status().isEmpty());
        }
    }

    void mainWindowUnloadedBeforeTheHandOver()
    {
        SearchRig rig(1);
        rig.search->Timer1_Timer();
        rig.f.controller.reset();
        rig.search->Timer2_Timer();
        QVERIFY(!QFile::exists(rig.f.paths.settingsFile));
        QVERIFY(rig.f.windows.calls.isEmpty());
        QCOMPARE(rig.surface.unloads, 1);
    }

    void waitsWhileAMainWindowCommandHoldsTheUnit()
    {
        SearchRig rig(1);
        rig.f.controller->context().unitBusy = true;
        rig.search->Timer1_Timer();
        QVERIFY(rig.f.unit.received().isEmpty());
        QVERIFY(rig.search->timer1().isActive());
        rig.f.controller->context().unitBusy = false;
        rig.search->Timer1_Timer();
        QCOMPARE(rig.surface.search, QStringLiteral("Tavix Found!"));
    }
};

QTEST_GUILESS_MAIN(tst_portsearch)
#include "tst_portsearch.moc"
