#include "support/UnitFaults.h"

#include "commands/CommandContext.h"
#include "commands/Palette.h"
#include "commands/DirectoryCommand.h"
#include "protocol/DirectoryRecord.h"

#include <QTest>

namespace {

constexpr qint32 MiB = 1048576;

// A record as the unit would send it, with any location byte and data size.
QByteArray record(int locationByte, const char *name, qsizetype dataSize)
{
    UnitEngine::StoredMessage stored { QByteArray(name), 8000, QByteArray(dataSize, '\0') };
    return UnitEngine::directoryRecord(locationByte, stored);
}

} // namespace

class tst_directory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replyKinds_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("kind");
        const auto k = [](DirectoryReplyKind kind) { return int(kind); };
        QTest::newRow("nothing") << QByteArray() << k(DirectoryReplyKind::Missing);
        QTest::newRow("2 characters") << QByteArray("ab") << k(DirectoryReplyKind::Missing);
        QTest::newRow("3 characters") << QByteArray("abc") << k(DirectoryReplyKind::Short);
        QTest::newRow("27 characters") << QByteArray(27, 'x') << k(DirectoryReplyKind::Short);
        QTest::newRow("28 characters") << QByteArray(28, 'x') << k(DirectoryReplyKind::Record);
        QTest::newRow("29 characters") << QByteArray(29, 'x') << k(DirectoryReplyKind::Record);
        QTest::newRow("bare end marker")
            << QByteArray("KKKKKKKKKK") << k(DirectoryReplyKind::EndMarker);
        QTest::newRow("end marker and more")
            << QByteArray("KKKKKKKKKKxyz") << k(DirectoryReplyKind::EndMarker);
        QTest::newRow("nine K are no marker")
            << QByteArray("KKKKKKKKK") << k(DirectoryReplyKind::Short);
        QTest::newRow("K record of 29")
            << QByteArray("KKKKKKKKKJ").leftJustified(29, 'K') << k(DirectoryReplyKind::Record);
    }
    void replyKinds()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, kind);
        QCOMPARE(int(directoryReplyKind(reply)), kind);
        QCOMPARE(parseDirectoryRecord(reply).has_value(), kind == int(DirectoryReplyKind::Record));
    }

    void storedMessagesByteForByte()
    {
        UnitFixture f;
        f.unit.store(0, storedMessage("Lobby", 8000));
        f.unit.store(2, storedMessage("Long", 3 * MiB / 2 - 32));
        f.unit.setRegister(1, 255);
        f.unit.setRegister(9, 12);
        MainController &controller = ready(f);
        // What an earlier read showed goes, colours included.
        f.surface.names.fill(QStringLiteral("old"));
        f.surface.widths.fill(800);
        f.surface.colours.fill(0x123456);
        f.declarations.LocationNames.fill(QStringLiteral("old"));
        controller.cmdDirectory_Click();

        // The directory, then the mode and the delay.
        QCOMPARE(f.comm->written(), QByteArray("D\rN\rN\rR\x01\rR\x09\r"));
        const QString lobby = QStringLiteral("Lobby           ");
        const QString hall = QStringLiteral("Long            ");
        QCOMPARE(f.surface.names, (std::array<QString, 8> { lobby, {}, hall, hall }));
        QCOMPARE(f.declarations.LocationNames, f.surface.names);
        QCOMPARE(f.surface.widths, (std::array<int, 8> { 40, 0, 800, 400, 0, 0, 0, 0 }));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(f.surface.colours.at(i), palette.at(i == 3 ? 2 : i));
        QCOMPARE(f.surface.mode, QStringLiteral("Interrupt"));
        // Not one of the list's items, shown as it is.
        QCOMPARE(f.surface.delay, QStringLiteral("12"));
        QCOMPARE(f.surface.statuses.first(), QStringLiteral("Loading Directory - - -"));
        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
        QCOMPARE(f.surface.states, (QStringList { QStringLiteral("busy"), QStringLiteral("idle") }));
        QVERIFY(!f.surface.abort);
        QVERIFY(f.surface.unitCommandsEnabled);
        // Events run once per location filled: 1 + 2.
        QCOMPARE(f.surface.eventRuns, 3);
        // strData keeps the last reply: the delay register's.
        QCOMPARE(controller.strData(), QByteArray("\x0cK"));
    }

    // A single record at any location byte; the locations with a bar are the named ones.
    void usageBars_data()
    {
        QTest::addColumn<int>("locationByte");
        QTest::addColumn<qint64>("dataSize");
        QTest::addColumn<QList<int>>("widths");
        const auto row = [](const char *name, int at, qint64 size, QList<int> widths) {
            QTest::newRow(name) << at << size << widths;
        };
        row("68 bytes get the minimum 40", 2, 68, { 0, 0, 40, 0, 0, 0, 0, 0 });
        row("just one location", 0, 1048544, { 800, 0, 0, 0, 0, 0, 0, 0 });
        row("one byte into the next", 0, 1048545, { 800, 40, 0, 0, 0, 0, 0, 0 });
        row("62.5 gives 62", 4, 81888, { 0, 0, 0, 0, 62, 0, 0, 0 });
        row("one and a half from 6", 6, 3 * MiB / 2 - 32, { 0, 0, 0, 0, 0, 0, 800, 400 });
        row("twice from 7 runs past 8", 7, 2 * MiB - 32, { 0, 0, 0, 0, 0, 0, 0, 800 });
        row("location byte 8", 8, 100, { 0, 0, 0, 0, 0, 0, 0, 0 });
        row("location byte 255", 255, 5 * MiB, { 0, 0, 0, 0, 0, 0, 0, 0 });
    }
    void usageBars()
    {
        QFETCH(int, locationByte);
        QFETCH(qint64, dataSize);
        QFETCH(QList<int>, widths);
        UnitFixture f;
        replaceReply(f.unit, "D", record(locationByte, "Chime", dataSize));
        MainController &controller = ready(f);
        controller.cmdDirectory_Click();

        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
        QCOMPARE(QList<int>(f.surface.widths.begin(), f.surface.widths.end()), widths);
        for (int i = 0; i < 8; ++i) {
            const bool named = widths.at(i) > 0;
            QCOMPARE(f.surface.names.at(i), named ? QStringLiteral("Chime           ") : QString());
            // Every location of a message takes its first location's colour.
            QCOMPARE(f.surface.colours.at(i), palette.at(named ? locationByte : i));
        }
        QCOMPARE(f.declarations.LocationNames, f.surface.names);
    }

    void failedReply_data()
    {
        QTest::addColumn<QByteArray>("point"); // "noise": a line that never falls silent
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("mostMs");
        const QString error = QStringLiteral("Error!");
        QTest::newRow("no reply to D") << QByteArray("D") << QByteArray() << error << 1400;
        QTest::newRow("no reply to N") << QByteArray("N") << QByteArray() << error << 1400;
        QTest::newRow("garbage record to N")
            << QByteArray("N") << QByteArray("\x03\xff\xfe") << error << 1400;
        // The drain before "D" gives up after about two seconds, and no "D" goes out.
        QTest::newRow("50 bytes a second")
            << QByteArray("noise") << QByteArray()
            << QStringLiteral("Comm Port Error: Data keeps arriving.") << 2200;
    }
    void failedReply()
    {
        QFETCH(QByteArray, point);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        QFETCH(int, mostMs);
        UnitFixture f;
        f.unit.store(1, storedMessage("First", 1000));
        f.unit.store(5, storedMessage("Second", 1000));
        if (point == "noise")
            f.unit.sendUnasked(50, 0, 3600 * 1000);
        else
            answerWith(f.unit, point.constData(), reply);
        MainController &controller = ready(f);
        controller.cmdDirectory_Click();

        QCOMPARE(f.surface.status(), status);
        QVERIFY(f.surface.mode.isEmpty() && f.surface.delay.isEmpty());
        QVERIFY(!f.comm->written().contains('R'));
        QCOMPARE(f.comm->written().contains('D'), point != "noise");
        QCOMPARE(f.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(f.clock.now() <= mostMs);
        // What came before the failure stays on the window.
        QCOMPARE(f.surface.names.at(1).isEmpty(), point != "N");
        QVERIFY(f.surface.names.at(5).isEmpty());
    }

    void modeReadErrorStaysWhenDelayReadSucceeds()
    {
        UnitFixture f;
        replaceReply(f.unit, "R", "\x01", 1);
        MainController &controller = ready(f);
        controller.cmdDirectory_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Error on Mode Read!"));
        QVERIFY(f.surface.mode.isEmpty());
        QCOMPARE(f.surface.delay, QStringLiteral("0"));
    }

    void otherCommandsRefusedWhileEventsRun()
    {
        UnitFixture f;
        f.unit.store(0, storedMessage("Lobby", 1000));
        f.unit.store(3, storedMessage("Hall", 1000));
        MainController &controller = ready(f);
        QList<bool> enabledDuring;
        f.surface.onEvents = [&] {
            enabledDuring << f.surface.unitCommandsEnabled;
            const QByteArray before = f.comm->written();
            f.prompter.answers = { true };
            controller.mnuToolsErase_Click();
            controller.mnuToolsMfg_Click();
            controller.mnuToolsRead_Click();
            controller.mnuToolsClear_Click();
            controller.mnuToolsSetup_Click();
            controller.cmdPlay_Click();
            controller.cmbDelay_Click(0);
            controller.cmbMode_Click();
            controller.cmdDirectory_Click();
            QCOMPARE(f.comm->written(), before);
        };
        controller.cmdDirectory_Click();
        QCOMPARE(enabledDuring, (QList<bool> { false, false }));
        QVERIFY(f.prompter.shown.isEmpty());
        QVERIFY(f.windows.calls.isEmpty());
        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
        QCOMPARE(f.surface.names.at(3), QStringLiteral("Hall            "));
        QVERIFY(f.surface.unitCommandsEnabled);
        QCOMPARE(f.comm->written().count('D'), 1);
    }

    void portFaults_data()
    {
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QString>("status");
        QTest::newRow("port not open")
            << false << QStringLiteral("Comm Port Error: The port is not open.");
        QTest::newRow("device gone")
            << true << QStringLiteral("Comm Port Error: The serial device is gone.");
    }
    void portFaults()
    {
        QFETCH(bool, gone);
        QFETCH(QString, status);
        UnitFixture f;
        MainController &controller = gone ? ready(f) : f.createController();
        if (gone)
            f.comm->vanish();
        controller.cmdDirectory_Click();
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(f.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(f.comm->line().isEmpty());
        QVERIFY(f.surface.unitCommandsEnabled);
        // The component keeps nothing back for the next command.
        QVERIFY(!f.comm->takeError());
    }

    void timer2WaitsWhileTheUnitIsHeld()
    {
        UnitFixture f;
        MainController &controller = ready(f);
        {
            UnitWork held(controller.context());
            controller.Timer2_Timer();
            QVERIFY(f.comm->line().isEmpty());
            QVERIFY(controller.timers().Timer2.isActive());
        }
        controller.Timer2_Timer();
        QVERIFY(!controller.timers().Timer2.isActive());
        QCOMPARE(f.surface.status(), QStringLiteral("Done!"));
    }
};

QTEST_GUILESS_MAIN(tst_directory)
#include "tst_directory.moc"
