#include "support/UnitFaults.h"

#include "commands/CommandContext.h"

#include <QTest>

class tst_playback : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void play_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("status");
        QTest::newRow("location 1")
            << 0 << QByteArray("P00\r") << QStringLiteral("Playing Message: 1");
        QTest::newRow("location 8")
            << 7 << QByteArray("P07\r") << QStringLiteral("Playing Message: 8");
    }
    void play()
    {
        QFETCH(int, selected);
        QFETCH(QByteArray, written);
        QFETCH(QString, status);
        UnitFixture f;
        MainController &controller = ready(f);
        f.declarations.SelectedLocation = qint16(selected);
        controller.cmdPlay_Click();
        QCOMPARE(f.comm->written(), written);
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(f.surface.states, QStringList { QStringLiteral("busy") });
        QVERIFY(f.surface.abort);
        QCOMPARE(f.declarations.CurrentOperation, QStringLiteral("Play"));
        QVERIFY(controller.timers().Timer4.isActive());
        QCOMPARE(controller.timers().Timer4.interval(), 500);
        QVERIFY(!f.surface.unitCommandsEnabled);
    }

    void pollOverSeveralTicksUntilDone()
    {
        UnitFixture f;
        // 4000 words at 4000 Hz: one second of sound.
        f.unit.store(2, storedMessage("Chime", 8000, 4000));
        MainController &controller = ready(f);
        f.declarations.SelectedLocation = 2;
        controller.cmdPlay_Click();
        f.comm->clearLine();

        controller.Timer4_Timer(); // at 0 ms
        QCOMPARE(f.surface.status(), QStringLiteral("Playing Message: 3"));
        QVERIFY(controller.timers().Timer4.isActive());
        f.clock.advance(500);
        controller.Timer4_Timer(); // at 500 ms
        QVERIFY(controller.timers().Timer4.isActive());
        QCOMPARE(controller.strData(), QByteArray("B"));
        f.clock.advance(500);
        controller.Timer4_Timer(); // at 1000 ms: the message has ended

        QCOMPARE(f.comm->written(), QByteArray("SSS\r"));
        QCOMPARE(f.surface.status(), QStringLiteral("Message Done"));
        QVERIFY(!controller.timers().Timer4.isActive());
        QCOMPARE(f.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(!f.surface.abort);
        QVERIFY(f.surface.unitCommandsEnabled);
        // Nothing resets it when a playback ends.
        QCOMPARE(f.declarations.CurrentOperation, QStringLiteral("Play"));
    }

    // A reply other than "B" to "S", or no reply to the return that confirms the end.
    void pollFailures_data()
    {
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::newRow("other character") << QByteArray("S") << QByteArray("X");
        QTest::newRow("no reply to the return") << QByteArray("S-CR") << QByteArray();
    }
    void pollFailures()
    {
        QFETCH(QByteArray, point);
        QFETCH(QByteArray, reply);
        UnitFixture f;
        // Five seconds of sound, so that "S" is answered; for the return, nothing plays.
        if (point == "S")
            f.unit.store(0, storedMessage("Chime", 80000));
        answerWith(f.unit, point.constData(), reply);
        MainController &controller = ready(f);
        controller.cmdPlay_Click();
        controller.Timer4_Timer();
        QCOMPARE(f.surface.status(), QStringLiteral("Error!"));
        QVERIFY(!controller.timers().Timer4.isActive());
        QCOMPARE(f.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(f.surface.unitCommandsEnabled);
    }

    void stopDuringPlayback()
    {
        UnitFixture f;
        f.unit.store(0, storedMessage("Chime", 80000));
        MainController &controller = ready(f);
        controller.cmdPlay_Click();
        controller.Timer4_Timer();
        QVERIFY(f.unit.isPlaying(f.clock.now()));
        f.comm->clearLine();
        controller.cmdAbort_Click();
        QCOMPARE(f.comm->written(), QByteArray("A"));
        QCOMPARE(f.surface.status(), QStringLiteral("Playback Stopped"));
        QCOMPARE(f.declarations.CurrentOperation, QStringLiteral("Abort"));
        QVERIFY(!controller.timers().Timer4.isActive());
        QCOMPARE(f.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(!f.unit.isPlaying(f.clock.now()));
        QVERIFY(f.surface.unitCommandsEnabled);
        // A tick already queued sends nothing more.
        controller.Timer4_Timer();
        QCOMPARE(f.comm->written(), QByteArray("A"));
    }

    // Another command holds the unit: Stop only marks the operation, to be seen by its holder.
    void stopNeverCutsIntoAnotherExchange_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("during an upload") << QStringLiteral("Load");
        QTest::newRow("marked Play, another exchange running") << QStringLiteral("Play");
    }
    void stopNeverCutsIntoAnotherExchange()
    {
        QFETCH(QString, operation);
        UnitFixture f;
        MainController &controller = ready(f);
        UnitWork other(controller.context());
        f.declarations.CurrentOperation = operation;
        controller.cmdAbort_Click();
        QVERIFY(f.comm->line().isEmpty());
        QCOMPARE(f.declarations.CurrentOperation, QStringLiteral("Abort"));
        QCOMPARE(f.surface.states, QStringList { QStringLiteral("idle") });
        // The other command still holds the unit until it notices.
        QVERIFY(!f.surface.unitCommandsEnabled);
    }

    void stopAfterAnEndedPlaybackStillSendsA()
    {
        UnitFixture f;
        MainController &controller = ready(f);
        controller.cmdPlay_Click();
        controller.Timer4_Timer(); // nothing stored: ends at once
        QCOMPARE(f.surface.status(), QStringLiteral("Message Done"));
        f.comm->clearLine();
        controller.cmdAbort_Click();
        QCOMPARE(f.comm->written(), QByteArray("A"));
        QCOMPARE(f.surface.status(), QStringLiteral("Playback Stopped"));
    }

    void tickShowsTheSelectionOfNow()
    {
        UnitFixture f;
        f.unit.store(1, storedMessage("Chime", 80000));
        MainController &controller = ready(f);
        f.declarations.SelectedLocation = 1;
        controller.cmdPlay_Click();
        controller.txtMsg_Click(5);
        controller.Timer4_Timer();
        QCOMPARE(f.surface.status(), QStringLiteral("Playing Message: 6"));
        QCOMPARE(f.unit.playingLocation(), std::optional<int>(1));
    }

    void otherCommandsWaitForTheWatchToEnd()
    {
        UnitFixture f;
        f.unit.store(0, storedMessage("Chime", 80000));
        MainController &controller = ready(f);
        controller.cmdPlay_Click();
        f.comm->clearLine();
        f.prompter.answers = { true };
        controller.mnuToolsErase_Click();
        controller.mnuToolsMfg_Click();
        controller.mnuToolsClear_Click();
        controller.mnuToolsSetup_Click();
        controller.cmdPlay_Click();
        QVERIFY(f.comm->line().isEmpty());
        QVERIFY(f.prompter.shown.isEmpty());
        QVERIFY(f.windows.calls.isEmpty());
        controller.cmdAbort_Click();
        controller.mnuToolsMfg_Click();
        QVERIFY(f.comm->written().contains("E00M\r"));
    }

    void portFaults()
    {
        UnitFixture f;
        MainController &controller = f.createController();
        controller.cmdPlay_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Comm Port Error: The port is not open."));
        QVERIFY(f.surface.states.isEmpty());
        QVERIFY(!controller.timers().Timer4.isActive());
        QVERIFY(f.surface.unitCommandsEnabled);

        UnitFixture g;
        g.unit.store(0, storedMessage("Chime", 80000));
        MainController &playing = ready(g);
        playing.cmdPlay_Click();
        g.comm->vanish();
        playing.Timer4_Timer();
        QCOMPARE(g.surface.status(), QStringLiteral("Comm Port Error: The serial device is gone."));
        QCOMPARE(g.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(!playing.timers().Timer4.isActive());
        QVERIFY(g.surface.unitCommandsEnabled);
    }
};

QTEST_GUILESS_MAIN(tst_playback)
#include "tst_playback.moc"
