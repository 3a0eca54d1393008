#include "support/LineScript.h"
#include "support/UploadRig.h"

#include "commands/LoadMessage.h"
#include "commands/Palette.h"
#include "protocol/UploadSizes.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(UnitEngine::Fault)

namespace {

const QByteArray LobbyName = QByteArrayLiteral("Lobby           ");

// A 16-bit mono file at 8 kHz with `bytes` sample bytes.
WaveFile monoFile(int bytes, quint32 rate = 8000)
{
    WaveFile wave;
    wave.sampleRate = rate;
    wave.data = pcm16(bytes / 2, 1);
    return wave;
}

UnitEngine::Fault fault(const char *point, UnitEngine::Fault::Kind kind, int occurrence,
    const QByteArray &replacement = {})
{
    UnitEngine::Fault f;
    f.point = point;
    f.kind = kind;
    f.occurrence = occurrence;
    f.replacement = replacement;
    return f;
}

// The bytes written after the erase: everything from the "L" on.
QByteArray fromLoad(const QByteArray &written)
{
    return written.mid(written.indexOf('L'));
}

bool endsWithDrain(const SimComm &comm)
{
    const auto &line = comm.line();
    return !line.isEmpty() && line.last().kind == SimComm::LineEvent::Read
        && line.last().count == 10 && line.last().waitMs == 200;
}

} // namespace

// The transfer against the simulated unit, byte for byte, with every failure it reports.
class tst_upload_transfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The window's message goes out as the session frames it: the name from the box, the rate
    // and the samples from the file, at the selected location after its erase.
    void blocksOnTheLine_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("location");
        QTest::addColumn<bool>("chunkAfter"); // another chunk after the data chunk
        QTest::newRow("224 + 2 full + final 100") << 224 + 256 * 2 + 100 << 3 << false;
        QTest::newRow("short chime padded to 226") << 40 << 2 << false;
        QTest::newRow("short chime padded with silence, not the next chunk") << 40 << 2 << true;
    }
    void blocksOnTheLine()
    {
        QFETCH(int, bytes);
        QFETCH(int, location);
        QFETCH(bool, chunkAfter);
        UploadRig rig;
        rig.declarations.SelectedLocation = static_cast<qint16>(location);
        const WaveFile wave = monoFile(bytes);
        const QString path = rig.paths.waveDir + QStringLiteral("/Lobby.wav");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wave.bytes());
        if (chunkAfter)
            file.write(QByteArray("LIST\x40\0\0\0", 8) + QByteArray(64, 'x'));
        file.close();
        rig.update(path);

        const int sent = qMax(bytes, ShortestDataSize);
        const QByteArray words = expectedWords16(wave.data, 1, 0, sent / 2);
        const QByteArray command = QByteArray("L0") + char('0' + location) + '\r';
        QCOMPARE(
            fromLoad(rig.comm->written()), command + expectedUploadStream(LobbyName, 8000, words));
        QCOMPARE(rig.comm->written().left(4), QByteArray("C0") + char('0' + location) + '\r');
        QVERIFY(rig.surface.statuses.contains(
            QStringLiteral("Loading Position %1 - - -").arg(location + 1)));
        QCOMPARE(rig.surface.statuses.last(), QStringLiteral("%1 bytes sent").arg(sent));
        QVERIFY(!rig.surface.progressVisible);
        QCOMPARE(rig.unit.messageAt(location)->audio, words);
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
    }

    void failures_data()
    {
        using F = UnitEngine::Fault;
        QTest::addColumn<UnitEngine::Fault>("injected");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("box");
        QTest::newRow("no reply to the command")
            << fault("L", F::NoReply, 1) << QStringLiteral("Load Error!") << QString();
        QTest::newRow("header answered X") << fault("L.header", F::Replace, 1, "X\r")
                                           << QStringLiteral("Totals Error 1") << QString();
        QTest::newRow("first block answered K")
            << fault("L.block", F::Replace, 1, "K\r") << QStringLiteral("Loading Position 1 - - -")
            << QStringLiteral("ERROR on Acknowledge 2");
        QTest::newRow("no reply to the third full block") << fault("L.block", F::NoReply,
            4) << QStringLiteral("Error on transmission!") << QString();
        QTest::newRow("premature K") << fault("L.block", F::Replace, 3, "K\r")
                                     << QStringLiteral("Error, premature OK!") << QString();
        QTest::newRow("no final K") << fault("L.final", F::NoReply, 1)
                                    << QStringLiteral("Error, no final OK!") << QString();
    }
    void failures()
    {
        QFETCH(UnitEngine::Fault, injected);
        QFETCH(QString, status);
        QFETCH(QString, box);
        UploadRig rig;
        rig.unit.injectFault(injected);
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), monoFile(224 + 256 * 16)));
        QCOMPARE(rig.surface.statuses.last(), status);
        QCOMPARE(rig.prompter.texts(), box.isEmpty() ? QStringList() : QStringList { box });
        QVERIFY(!rig.surface.progressVisible);
        QVERIFY(endsWithDrain(*rig.comm));
        // The name stays whatever the outcome.
        QCOMPARE(rig.surface.names[0], QString::fromLatin1(LobbyName));
        QCOMPARE(rig.declarations.LocationNames[0], QString::fromLatin1(LobbyName));
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        // No directory read follows unless Stop was pressed.
        QVERIFY(!rig.controller->timers().Timer2.isActive());
    }

    void unitVanishesMidTransfer()
    {
        UploadRig rig;
        rig.surface.onEvents = [&rig] {
            if (rig.surface.eventRuns == 5)
                rig.comm->vanish();
        };
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), monoFile(224 + 256 * 16)));
        QCOMPARE(rig.prompter.texts(), QStringList { QStringLiteral("File Read Error!") });
        QCOMPARE(rig.surface.statuses.last(), QStringLiteral("Error 5"));
        QVERIFY(!rig.surface.progressVisible);
        QVERIFY(!rig.comm->takeError());
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
    }

    void fileGoneBeforeTheTransfer()
    {
        UploadRig rig;
        rig.declarations.WavePath = rig.folder.filePath(QStringLiteral("gone.wav"));
        rig.declarations.DataSize = 1000;
        rig.declarations.BitsPerSample = 16;
        rig.declarations.ChannelCount = 1;
        LoadMessage(rig.controller->context(), 0);
        QCOMPARE(rig.prompter.texts(), QStringList { QStringLiteral("File Read Error!") });
        QCOMPARE(rig.surface.statuses.last(), QStringLiteral("Error 5"));
        QVERIFY(rig.comm->written().isEmpty());
    }

    // Stop sets CurrentOperation and turns the window idle, as the Stop button does; the
    // transfer sees it when events have run before the next full or final block. Events run
    // once per block: before the first block, then before each full block, then before the final.
    void stop_data()
    {
        QTest::addColumn<int>("run"); // the events run in which Stop is pressed
        QTest::addColumn<int>("blocksSent"); // blocks written after the header
        // The header is written before events first run; a click during it waits in the queue.
        QTest::newRow("during the header or the first block") << 1 << 1;
        QTest::newRow("during the third full block") << 5 << 4;
        QTest::newRow("before the final block") << 17 << 16;
    }
    void stop()
    {
        QFETCH(int, run);
        QFETCH(int, blocksSent);
        UploadRig rig;
        rig.surface.onEvents = [&] {
            if (rig.surface.eventRuns != run)
                return;
            rig.declarations.CurrentOperation = QStringLiteral("Abort");
            rig.surface.SetIdleControls();
        };
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), monoFile(224 + 256 * 16)));
        QCOMPARE(blockWrites(*rig.comm).size(), blocksSent);
        QCOMPARE(rig.surface.statuses.last(), QStringLiteral("Loading Aborted"));
        QVERIFY(endsWithDrain(*rig.comm));
        // Once Stop was pressed the directory is read again two seconds later.
        QVERIFY(rig.controller->timers().Timer2.isActive());
        QVERIFY(!rig.surface.progressVisible);
    }

    // A unit keeps what it stores and no record of the line: tavix-unit-sim serves for hours.
    void unitKeepsNoRecordOfALargeUpload()
    {
        UnitEngine unit;
        const quint32 size = 4095 * 256;
        const auto littleEndian = [](quint32 value) {
            QByteArray bytes;
            for (int i = 0; i < 4; ++i, value >>= 8)
                bytes += static_cast<char>(value & 0xFF);
            return bytes;
        };
        unit.receive("L00\r", 0);
        unit.receive(LobbyName + littleEndian(8000) + "stop" + littleEndian(size)
                + QByteArray(2, '\0') + '\r',
            0);
        const QByteArray block = QByteArray(1, '\0') + QByteArray(256, 'x');
        for (quint32 sent = 0; sent < size; sent += 256)
            unit.receive(block, 0);
        QCOMPARE(unit.messageAt(0)->audio.size(), qsizetype(size));
        QVERIFY(unit.received().isEmpty());
    }

    void progressCountsAcknowledgedBytes()
    {
        UploadRig rig;
        const int total = 224 + 256 * 3 + 100;
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), monoFile(total)));
        const auto percent = [total](int sent) { return qRound(100.0 * sent / total); };
        QCOMPARE(rig.surface.progressValues,
            (QList<int> { 0, percent(224), percent(224 + 256), percent(224 + 512) }));
    }

    void barsAfterSuccess_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("2% of a location: 40, not 16")
            << 2 << 20972 << QList<int> { 0, 0, 40, 0, 0, 0, 0, 0 };
        QTest::newRow("exactly one location")
            << 3 << 1048576 << QList<int> { 0, 0, 0, 800, 0, 0, 0, 0 };
        QTest::newRow("one and a half")
            << 5 << 1572864 << QList<int> { 0, 0, 0, 0, 0, 800, 400, 0 };
    }
    void barsAfterSuccess()
    {
        QFETCH(int, location);
        QFETCH(int, bytes);
        QFETCH(QList<int>, widths);
        UploadRig rig;
        rig.overflow.answer = QStringLiteral("Proceed");
        rig.declarations.SelectedLocation = static_cast<qint16>(location);
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), monoFile(bytes)));
        QCOMPARE(rig.surface.statuses.last(), QStringLiteral("%1 bytes sent").arg(bytes));
        QCOMPARE(QList<int>(rig.surface.widths.begin(), rig.surface.widths.end()), widths);
        // Every location the message fills takes its first location's colour.
        for (int i = 0; i < 8; ++i)
            if (widths[i] > 0)
                QCOMPARE(rig.surface.colours[size_t(i)], palette[size_t(location)]);
    }
};

QTEST_GUILESS_MAIN(tst_upload_transfer)
#include "tst_upload_transfer.moc"
