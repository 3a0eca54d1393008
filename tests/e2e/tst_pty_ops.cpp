#include "support/PtyUnit.h"
#include "support/UnitFixture.h"

#include "link/SerialPortComm.h"

#include <QTest>

#include <memory>

namespace {

// The main window's logic on the QSerialPort backend, port 1, loaded.
std::unique_ptr<MainController> loadOnPort1(UnitFixture &f)
{
    f.declarations.CommPort = 1;
    auto controller = std::make_unique<MainController>(f.declarations, f.paths,
                                                       std::make_unique<SerialPortComm>(f.paths.portsDir),
                                                       f.surface, f.prompter, f.windows);
    controller->Form_Load();
    return controller;
}

}  // namespace

// The directory, playback and erase over a pseudo-terminal, against tavix-unit-sim started with
// messages stored, in real time through the QSerialPort backend.
class tst_pty_ops : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void directoryPlayAndErase()
    {
        UnitFixture f;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(f.paths.portsDir, 1,
                                                    {// 0.8 s: long enough for one "B" from the first poll, 500 ms after Play.
                                                     QStringLiteral("--preload"), QStringLiteral("1:Lobby:8000:0.8"),
                                                     // Two locations: 1.5 MiB of words at 48 kHz.
                                                     QStringLiteral("--preload"), QStringLiteral("3:Long hall:48000:16.4"),
                                                     QStringLiteral("--preload"), QStringLiteral("8:Last:11025:1")}));
        const auto controller = loadOnPort1(f);
        QVERIFY(f.prompter.shown.isEmpty());

        controller->Timer2_Timer();
        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
        const QString hall = QStringLiteral("Long hall       ");
        QCOMPARE(QStringList(f.surface.names.begin(), f.surface.names.end()),
                 (QStringList{QStringLiteral("Lobby           "), QString(), hall, hall, QString(), QString(),
                              QString(), QStringLiteral("Last            ")}));
        QCOMPARE(f.surface.widths.at(2), 800);
        QVERIFY(f.surface.widths.at(3) > 40 && f.surface.widths.at(3) < 800);
        QCOMPARE(f.surface.colours.at(3), f.surface.colours.at(2));
        QCOMPARE(f.surface.mode, QStringLiteral("Stack"));
        QCOMPARE(f.surface.delay, QStringLiteral("0"));

        // Play location 1 and let Timer4 poll on its own until the unit says it is done.
        controller->cmdPlay_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Playing Message: 1"));
        QTRY_COMPARE_WITH_TIMEOUT(f.surface.status(), QStringLiteral("Message Done"), 5000);
        QVERIFY(f.surface.statuses.count(QStringLiteral("Playing Message: 1")) >= 2);
        QVERIFY(!f.surface.busy);
        QVERIFY(!controller->timers().Timer4.isActive());

        // Erase the message over locations 3 and 4; a fresh directory no longer shows it.
        controller->txtMsg_Click(3);
        f.prompter.answers = {true};
        controller->cmdErase_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Location 4 Erased!"));
        QVERIFY(f.surface.names.at(2).isEmpty() && f.surface.names.at(3).isEmpty());
        controller->cmdDirectory_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
        QCOMPARE(QStringList(f.surface.names.begin(), f.surface.names.end()),
                 (QStringList{QStringLiteral("Lobby           "), QString(), QString(), QString(), QString(),
                              QString(), QString(), QStringLiteral("Last            ")}));
        QVERIFY(!controller->comm().takeError());
    }

    void vanishedUnitIsReportedNotFatal()
    {
        UnitFixture f;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(f.paths.portsDir, 1,
                                                    {QStringLiteral("--preload"), QStringLiteral("2:Gone:8000:5")}));
        const auto controller = loadOnPort1(f);
        unit.kill();
        controller->cmdDirectory_Click();
        QVERIFY2(f.surface.status().startsWith(QStringLiteral("Comm Port Error: ")), qPrintable(f.surface.status()));
        QVERIFY(!f.surface.busy);
        controller->mnuToolsMfg_Click();
        QVERIFY2(f.surface.status().startsWith(QStringLiteral("Comm Port Error: ")), qPrintable(f.surface.status()));
    }
};

QTEST_GUILESS_MAIN(tst_pty_ops)
#include "tst_pty_ops.moc"
