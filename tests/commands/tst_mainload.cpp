#include "support/UnitFixture.h"

#include <QTest>

// The main window's load: its order, the connection check and the timers it leaves running.
class tst_mainload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What the load makes of the probe's outcome; the probe itself is the session's.
    void connectionCheck_data()
    {
        // "silent", "port 4", "open raises", "bad rate", "vanish"
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("directoryNext"); // Timer2 on; otherwise Timer5 opens port selection
        QTest::addColumn<bool>("probed");
        const QString notConnected = QStringLiteral("Tavix not connected!");
        const QString portError = QStringLiteral("Communications Error, check Com Port!");
        const QString commError = QStringLiteral("Communication Error!");
        const QString unavailable = QStringLiteral("Comm Port not available!");

        QTest::newRow("good reply") << QString() << QString() << QString() << true << true;
        QTest::newRow("no reply") << QStringLiteral("silent") << notConnected << commError << false
                                  << true;
        QTest::newRow("missing port")
            << QStringLiteral("port 4") << portError << commError << false << false;
        QTest::newRow("open raises an error")
            << QStringLiteral("open raises") << portError << commError << false << false;
        // A component error ends the load; the directory read comes and fails the ordinary way.
        QTest::newRow("settings not accepted")
            << QStringLiteral("bad rate") << unavailable << QString() << true << false;
        QTest::newRow("device gone while probing")
            << QStringLiteral("vanish") << unavailable << QString() << true << false;
    }
    void connectionCheck()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(bool, directoryNext);
        QFETCH(bool, probed);
        UnitFixture f;
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
        QCOMPARE(f.comm->written(), probed ? QByteArray("q\r") : QByteArray());
        QCOMPARE(main.timers().Timer2.isActive(), directoryNext);
        QCOMPARE(main.timers().Timer5.isActive(), !directoryNext);
        // The port stays open either way.
        if (probed)
            QVERIFY(f.comm->PortOpen());
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
