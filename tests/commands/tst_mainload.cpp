#include "support/LineScript.h"
#include "support/UnitFixture.h"

#include <QTest>

namespace {

// "q" and its return, then one read of 10 with a 500 ms wait that brought `got` bytes.
QStringList probe(int got)
{
    return command({ "q", "\\r" }) << readOf(10, 500, got);
}

} // namespace

// The main window's load: its order, the connection check and the timers it leaves running.
class tst_mainload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionCheck_data()
    {
        QTest::addColumn<QByteArray>("identity"); // the unit's reply to "q"
        QTest::addColumn<QString>("trouble"); // "silent", "port 4", "open raises", "bad rate", "vanish"
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("directoryNext"); // Timer2 on; otherwise Timer5 opens port selection
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<QStringList>("line");
        const QByteArray good("Tavix v1.0");
        const QString notConnected = QStringLiteral("Tavix not connected!");
        const QString portError = QStringLiteral("Communications Error, check Com Port!");
        const QString commError = QStringLiteral("Communication Error!");
        const QString unavailable = QStringLiteral("Comm Port not available!");

        QTest::newRow("good reply") << good << QString() << QString() << QString() << true << 0
                                    << probe(10);
        QTest::newRow("Tavix among other characters")
            << QByteArray("xxTavix!yy") << QString() << QString() << QString() << true << 0
            << probe(10);
        // A reply of fewer than 10 characters costs the whole wait, but still counts.
        QTest::newRow("short reply with Tavix") << QByteArray("Tavix") << QString() << QString()
                                                << QString() << true << 500 << probe(5);
        QTest::newRow("other letter case") << QByteArray("TAVIX v1.0") << QString() << notConnected
                                           << commError << false << 0 << probe(10);
        QTest::newRow("no reply") << good << QStringLiteral("silent") << notConnected << commError
                                  << false << 500 << probe(0);
        // Only the first 10 characters are read: "Tavix" beyond them is not seen.
        QTest::newRow("Tavix after the tenth character")
            << QByteArray("0123456789Tavix") << QString() << notConnected << commError << false
            << 0 << probe(10);
        QTest::newRow("missing port") << good << QStringLiteral("port 4") << portError
                                      << commError << false << 0 << QStringList();
        QTest::newRow("open raises an error") << good << QStringLiteral("open raises")
                                              << portError << commError << false << 0
                                              << QStringList();
        // A component error ends the load; the directory read comes and fails the ordinary way.
        QTest::newRow("settings not accepted") << good << QStringLiteral("bad rate") << unavailable
                                               << QString() << true << 0 << QStringList();
        QTest::newRow("device gone while probing") << good << QStringLiteral("vanish")
                                                   << unavailable << QString() << true << 0
                                                   << QStringList();
    }
    void connectionCheck()
    {
        QFETCH(QByteArray, identity);
        QFETCH(QString, trouble);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(bool, directoryNext);
        QFETCH(int, elapsedMs);
        QFETCH(QStringList, line);
        UnitFixture f;
        f.unit.setIdentity(identity);
        f.unit.setSilent(trouble == QStringLiteral("silent"));
        if (trouble.startsWith(QStringLiteral("port")) || trouble == QStringLiteral("open raises"))
            f.declarations.CommPort = 4; // the unit is on port 1
        if (trouble == QStringLiteral("bad rate"))
            f.declarations.BaudRate = QStringLiteral("fast");
        MainController &main = f.createController();
        f.comm->setOpenRaisesError(trouble == QStringLiteral("open raises"));
        if (trouble == QStringLiteral("vanish"))
            f.comm->vanish();
        main.Form_Load();

        QCOMPARE(f.prompter.texts(), message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty())
            QCOMPARE(f.prompter.shown[0].title, QStringLiteral("Tavix"));
        QCOMPARE(f.surface.statusText, status);
        QCOMPARE(lineScript(*f.comm), line);
        QCOMPARE(f.clock.now(), elapsedMs);
        QCOMPARE(main.timers().Timer2.isActive(), directoryNext);
        QCOMPARE(main.timers().Timer5.isActive(), !directoryNext);
        if (!line.isEmpty()) {
            // The port stays open either way.
            QVERIFY(f.comm->PortOpen());
            QCOMPARE(f.comm->lastLineSettings(), f.declarations.BaudRate + QStringLiteral("N,8,1"));
        }
        if (!directoryNext) {
            main.Timer5_Timer();
            QVERIFY(!main.timers().Timer5.isActive());
            QCOMPARE(f.windows.calls, QStringList { QStringLiteral("serial set") });
        }
    }

    void loadOrder()
    {
        UnitFixture f;
        f.declarations.SelectedLocation = 5;
        f.declarations.LocationCapacity = 7;
        f.surface.widths.fill(123);
        MainController &main = f.load();
        QCOMPARE(f.declarations.SelectedLocation, qint16(0));
        QCOMPARE(f.surface.modeItems,
            (QStringList { QStringLiteral("Stack"), QStringLiteral("Interrupt") }));
        QCOMPARE(f.surface.delayItems.join(QLatin1Char(',')), QStringLiteral("0,1,2,3,4,5,6,7,8,9"));
        QCOMPARE(f.surface.widths, (std::array<int, 8> {}));
        QCOMPARE(f.declarations.LocationCapacity, 1048576);
        // The timers' design states after a good check: only the directory read is due.
        const QTimer *timers[] = { &main.timers().Timer1, &main.timers().Timer2,
            &main.timers().Timer3, &main.timers().Timer4, &main.timers().Timer5 };
        const int intervals[] = { 100, 2000, 1000, 500, 1500 };
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(timers[i]->isActive(), i == 1);
            QCOMPARE(timers[i]->interval(), intervals[i]);
        }
    }

    void pendingSearchSendsNothing()
    {
        UnitFixture f;
        f.declarations.AutoSearchPending = true;
        MainController &main = f.load();
        QVERIFY(!f.comm->PortOpen());
        QVERIFY(f.comm->line().isEmpty());
        QVERIFY(f.prompter.shown.isEmpty());
        QVERIFY(!f.declarations.AutoSearchPending);
        QVERIFY(!main.timers().Timer2.isActive());
        main.Timer3_Timer();
        QVERIFY(!main.timers().Timer3.isActive());
        QCOMPARE(f.windows.calls, QStringList { QStringLiteral("serial search") });
    }

    void nameBoxesAndTimer2SelectRows()
    {
        UnitFixture f;
        MainController &main = f.load();
        for (int row : { 0, 4, 7 }) {
            main.txtMsg_Click(row);
            QCOMPARE(int(f.declarations.SelectedLocation), row);
            QCOMPARE(f.surface.selected, row);
        }
        main.optLoc_Click(2);
        QCOMPARE(f.declarations.SelectedLocation, qint16(2));
        main.txtMsg_Click(6);
        main.Timer2_Timer();
        QVERIFY(!main.timers().Timer2.isActive());
        QCOMPARE(f.declarations.SelectedLocation, qint16(0));
        QCOMPARE(f.surface.selected, 0);
        QVERIFY(f.surface.directoryFocused);
    }

    void exitEndsTheProgramAndSendsNothing()
    {
        UnitFixture f;
        MainController &main = f.load();
        f.comm->clearLine();
        main.cmdExit_Click();
        main.mnuFileExit_Click();
        QCOMPARE(f.windows.calls, (QStringList { QStringLiteral("exit"), QStringLiteral("exit") }));
        QVERIFY(f.comm->line().isEmpty());
    }

    void reloadOpensTheSamePortAgain()
    {
        UnitFixture f;
        f.load();
        // A reloaded window gets a fresh component: the old one closed the port on unload.
        f.load();
        QVERIFY(f.comm->PortOpen());
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void secondExchangeIsRefused()
    {
        UnitFixture f;
        MainController &main = f.load();
        {
            UnitWork first(main.context());
            QVERIFY(first);
            QVERIFY(!f.surface.unitCommandsEnabled);
            QVERIFY(!UnitWork(main.context()));
        }
        QVERIFY(f.surface.unitCommandsEnabled);
        QVERIFY(UnitWork(main.context()));
    }
};

QTEST_GUILESS_MAIN(tst_mainload)
#include "tst_mainload.moc"
