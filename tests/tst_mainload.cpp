#include "support/UnitFixture.h"

#include <QTest>

// The main window's load: its order, the connection check and the timers it leaves running.
class tst_mainload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionCheck_data()
    {
        QTest::addColumn<QByteArray>("identity");  // the unit's reply to "q"
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("message");      // empty: none
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("timer2");
        QTest::addColumn<bool>("timer5");
        QTest::addColumn<qint64>("elapsedMs");

        QTest::newRow("good reply") << QByteArray("Tavix v1.0") << false << QString() << QString()
                                    << true << false << qint64(0);
        QTest::newRow("Tavix among other characters") << QByteArray("xxTavix!yy") << false << QString()
                                                      << QString() << true << false << qint64(0);
        // A reply of fewer than 10 characters costs the whole wait, but still counts.
        QTest::newRow("short reply with Tavix") << QByteArray("Tavix") << false << QString() << QString()
                                                << true << false << qint64(500);
        QTest::newRow("other letter case") << QByteArray("TAVIX v1.0") << false
                                           << QStringLiteral("Tavix not connected!")
                                           << QStringLiteral("Communication Error!") << false << true
                                           << qint64(0);
        QTest::newRow("no reply") << QByteArray("Tavix v1.0") << true << QStringLiteral("Tavix not connected!")
                                  << QStringLiteral("Communication Error!") << false << true << qint64(500);
        // Only the first 10 characters are read: "Tavix" beyond them is not seen.
        QTest::newRow("Tavix after the tenth character") << QByteArray("0123456789Tavix") << false
                                                         << QStringLiteral("Tavix not connected!")
                                                         << QStringLiteral("Communication Error!")
                                                         << false << true << qint64(0);
    }
    void connectionCheck()
    {
        QFETCH(QByteArray, identity);
        QFETCH(bool, silent);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(bool, timer2);
        QFETCH(bool, timer5);
        QFETCH(qint64, elapsedMs);

        UnitFixture f;
        f.unit.setIdentity(identity);
        f.unit.setSilent(silent);
        MainController &main = f.load();

        QCOMPARE(f.prompter.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.prompter.shown[0].title, QStringLiteral("Tavix"));
        QCOMPARE(f.surface.statusText, status);
        QCOMPARE(main.timers().Timer2.isActive(), timer2);
        QCOMPARE(main.timers().Timer5.isActive(), timer5);
        QCOMPARE(f.clock.now(), elapsedMs);
        // The port stays open either way.
        QVERIFY(f.comm->PortOpen());
        QCOMPARE(f.comm->lastLineSettings(), QStringLiteral("460800N,8,1"));

        // On the line: q, carriage return, then one read of 10 with a 500 ms wait.
        const auto &line = f.comm->line();
        QCOMPARE(line.size(), 3);
        QCOMPARE(line[0].bytes, QByteArray("q"));
        QCOMPARE(line[1].bytes, QByteArray("\r"));
        QCOMPARE(line[2].kind, SimComm::LineEvent::Read);
        QCOMPARE(line[2].count, 10);
        QCOMPARE(line[2].waitMs, 500);
    }

    void portThatDoesNotOpen_data()
    {
        QTest::addColumn<bool>("openRaises");
        QTest::newRow("missing port") << false;
        QTest::newRow("open raises an error") << true;
    }
    void portThatDoesNotOpen()
    {
        QFETCH(bool, openRaises);
        UnitFixture f;
        f.declarations.CommPort = 4;  // the unit is on port 1
        f.createController();
        f.comm->setOpenRaisesError(openRaises);
        f.controller->Form_Load();
        QCOMPARE(f.prompter.texts(), QStringList{QStringLiteral("Communications Error, check Com Port!")});
        QCOMPARE(f.surface.statusText, QStringLiteral("Communication Error!"));
        QVERIFY(!f.controller->timers().Timer2.isActive());
        QVERIFY(f.controller->timers().Timer5.isActive());
        QVERIFY(f.comm->line().isEmpty());
        QCOMPARE(f.clock.now(), 0);

        f.controller->Timer5_Timer();
        QVERIFY(!f.controller->timers().Timer5.isActive());
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("serial set")});
    }

    void componentErrorEndsTheLoad_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<bool>("vanish");
        QTest::newRow("settings not accepted") << QStringLiteral("fast") << false;
        QTest::newRow("device gone while probing") << QStringLiteral("460800") << true;
    }
    void componentErrorEndsTheLoad()
    {
        QFETCH(QString, baud);
        QFETCH(bool, vanish);
        UnitFixture f;
        f.declarations.BaudRate = baud;
        f.createController();
        if (vanish)
            f.comm->vanish();
        f.controller->Form_Load();
        QCOMPARE(f.prompter.texts(), QStringList{QStringLiteral("Comm Port not available!")});
        QCOMPARE(f.surface.statusText, QString());
        // The directory read still comes, and fails the ordinary way.
        QVERIFY(f.controller->timers().Timer2.isActive());
        QVERIFY(!f.controller->timers().Timer5.isActive());
    }

    void loadOrder()
    {
        UnitFixture f;
        f.declarations.SelectedLocation = 5;
        f.declarations.LocationCapacity = 7;
        f.surface.widths.fill(123);
        MainController &main = f.load();
        QCOMPARE(f.declarations.SelectedLocation, qint16(0));
        QCOMPARE(f.surface.modeItems, (QStringList{QStringLiteral("Stack"), QStringLiteral("Interrupt")}));
        QCOMPARE(f.surface.delayItems.size(), 10);
        QCOMPARE(f.surface.delayItems.first(), QStringLiteral("0"));
        QCOMPARE(f.surface.delayItems.last(), QStringLiteral("9"));
        for (int width : f.surface.widths)
            QCOMPARE(width, 0);
        QCOMPARE(f.declarations.LocationCapacity, 1048576);
        // The timers' design states after a good check.
        QVERIFY(!main.timers().Timer1.isActive());
        QVERIFY(main.timers().Timer2.isActive());
        QVERIFY(!main.timers().Timer3.isActive());
        QVERIFY(!main.timers().Timer4.isActive());
        QVERIFY(!main.timers().Timer5.isActive());
        QCOMPARE(main.timers().Timer1.interval(), 100);
        QCOMPARE(main.timers().Timer2.interval(), 2000);
        QCOMPARE(main.timers().Timer3.interval(), 1000);
        QCOMPARE(main.timers().Timer4.interval(), 500);
        QCOMPARE(main.timers().Timer5.interval(), 1500);
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
        QVERIFY(main.timers().Timer3.isActive());
        main.Timer3_Timer();
        QVERIFY(!main.timers().Timer3.isActive());
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("serial search")});
    }

    void timer2SelectsTheFirstLocation()
    {
        UnitFixture f;
        MainController &main = f.load();
        main.txtMsg_Click(6);
        main.Timer2_Timer();
        QVERIFY(!main.timers().Timer2.isActive());
        QCOMPARE(f.declarations.SelectedLocation, qint16(0));
        QCOMPARE(f.surface.selected, 0);
        QVERIFY(f.surface.directoryFocused);
    }

    void timer1OnlyStopsItself()
    {
        UnitFixture f;
        MainController &main = f.load();
        main.timers().Timer1.start();
        main.Timer1_Timer();
        QVERIFY(!main.timers().Timer1.isActive());
        QVERIFY(f.windows.calls.isEmpty());
    }

    void nameBoxSelectsItsRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("row 1") << 0;
        QTest::newRow("row 5") << 4;
        QTest::newRow("row 8") << 7;
    }
    void nameBoxSelectsItsRow()
    {
        QFETCH(int, row);
        UnitFixture f;
        MainController &main = f.load();
        main.txtMsg_Click(row);
        QCOMPARE(int(f.declarations.SelectedLocation), row);
        QCOMPARE(f.surface.selected, row);
        main.optLoc_Click(2);
        QCOMPARE(f.declarations.SelectedLocation, qint16(2));
    }

    void exitEndsTheProgramAndSendsNothing()
    {
        UnitFixture f;
        MainController &main = f.load();
        f.comm->clearLine();
        main.cmdExit_Click();
        main.mnuFileExit_Click();
        QCOMPARE(f.windows.calls, (QStringList{QStringLiteral("exit"), QStringLiteral("exit")}));
        QVERIFY(f.comm->line().isEmpty());
    }

    void unloadClosesThePort()
    {
        UnitFixture f;
        f.load();
        QVERIFY(f.comm->PortOpen());
        // A reloaded window gets a fresh component that can open the same port again.
        f.load();
        QVERIFY(f.comm->PortOpen());
        QVERIFY(f.prompter.shown.isEmpty());
        QCOMPARE(f.surface.modeItems.size(), 4);  // the recorder is shared: two loads, two items each
    }

    void secondExchangeIsRefused()
    {
        UnitFixture f;
        MainController &main = f.load();
        {
            UnitWork first(main.context());
            QVERIFY(first);
            QVERIFY(!f.surface.unitCommandsEnabled);
            UnitWork second(main.context());
            QVERIFY(!second);
        }
        QVERIFY(f.surface.unitCommandsEnabled);
        UnitWork again(main.context());
        QVERIFY(again);
    }
};

QTEST_GUILESS_MAIN(tst_mainload)
#include "tst_mainload.moc"
