#include "support/PtyUnit.h"
#include "support/UnitFixture.h"

#include "link/SerialPortComm.h"

#include <QDir>
#include <QTest>

#include <memory>

// The directory, playback and erase over a pseudo-terminal, against tavix-unit-sim started with
// messages stored, in real time through the QSerialPort backend.
class tst_pty_ops : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void directoryPlayAndErase()
    {
        UnitFixture fixture;
        PtyUnit unit;
        const QStringList arguments { QStringLiteral("--link"),
            QDir(fixture.paths.portsDir).filePath(QStringLiteral("com1")),
            // 0.8 s: long enough for one "B" from the first poll, 500 ms after Play.
            QStringLiteral("--preload"), QStringLiteral("1:Lobby:8000:0.8"),
            // Two locations: 1.5 MiB of words at 48 kHz.
            QStringLiteral("--preload"), QStringLiteral("3:Long hall:48000:16.4"),
            QStringLiteral("--preload"), QStringLiteral("8:Last:11025:1") };
        START_PTY_UNIT(unit, arguments);

        fixture.declarations.CommPort = 1;
        MainController controller(fixture.declarations, fixture.paths,
            std::make_unique<SerialPortComm>(fixture.paths.portsDir), fixture.surface,
            fixture.prompter, fixture.windows);
        controller.Form_Load();
        QVERIFY(fixture.prompter.shown.isEmpty());

        controller.Timer2_Timer();
        QCOMPARE(fixture.surface.status(), QStringLiteral("Done!"));
        const QStringList names(fixture.surface.names.begin(), fixture.surface.names.end());
        QCOMPARE(names,
            (QStringList { QStringLiteral("Lobby           "), QString(),
                QStringLiteral("Long hall       "), QStringLiteral("Long hall       "), QString(),
                QString(), QString(), QStringLiteral("Last            ") }));
        QCOMPARE(fixture.surface.widths.at(2), 800);
        QVERIFY(fixture.surface.widths.at(3) > 40 && fixture.surface.widths.at(3) < 800);
        QCOMPARE(fixture.surface.colours.at(3), fixture.surface.colours.at(2));
        QCOMPARE(fixture.surface.mode, QStringLiteral("Stack"));
        QCOMPARE(fixture.surface.delay, QStringLiteral("0"));

        // Play location 1 and let Timer4 poll on its own until the unit says it is done.
        controller.cmdPlay_Click();
        QCOMPARE(fixture.surface.status(), QStringLiteral("Playing Message: 1"));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.surface.status(), QStringLiteral("Message Done"), 5000);
        QVERIFY(fixture.surface.statuses.count(QStringLiteral("Playing Message: 1")) >= 2);
        QVERIFY(!fixture.surface.busy);
        QVERIFY(!controller.timers().Timer4.isActive());

        // Erase the message over locations 3 and 4.
        controller.txtMsg_Click(3);
        fixture.prompter.answers = { true };
        controller.cmdErase_Click();
        QCOMPARE(fixture.surface.status(), QStringLiteral("Location 4 Erased!"));
        QVERIFY(fixture.surface.names.at(2).isEmpty());
        QVERIFY(fixture.surface.names.at(3).isEmpty());

        controller.cmdDirectory_Click();
        QCOMPARE(fixture.surface.status(), QStringLiteral("Done!"));
        QCOMPARE(fixture.surface.names.at(0), QStringLiteral("Lobby           "));
        QVERIFY(fixture.surface.names.at(2).isEmpty());
        QVERIFY(fixture.surface.names.at(3).isEmpty());
        QCOMPARE(fixture.surface.names.at(7), QStringLiteral("Last            "));
        QVERIFY(!controller.comm().takeError());
    }

    void vanishedUnitIsReportedNotFatal()
    {
        UnitFixture fixture;
        PtyUnit unit;
        START_PTY_UNIT(unit,
            (QStringList { QStringLiteral("--link"),
                QDir(fixture.paths.portsDir).filePath(QStringLiteral("com1")),
                QStringLiteral("--preload"), QStringLiteral("2:Gone:8000:5") }));
        fixture.declarations.CommPort = 1;
        MainController controller(fixture.declarations, fixture.paths,
            std::make_unique<SerialPortComm>(fixture.paths.portsDir), fixture.surface,
            fixture.prompter, fixture.windows);
        controller.Form_Load();
        unit.kill();
        controller.cmdDirectory_Click();
        QVERIFY2(fixture.surface.status().startsWith(QStringLiteral("Comm Port Error: ")),
            qPrintable(fixture.surface.status()));
        QVERIFY(!fixture.surface.busy);
        controller.mnuToolsMfg_Click();
        QVERIFY2(fixture.surface.status().startsWith(QStringLiteral("Comm Port Error: ")),
            qPrintable(fixture.surface.status()));
    }
};

QTEST_GUILESS_MAIN(tst_pty_ops)
#include "tst_pty_ops.moc"
