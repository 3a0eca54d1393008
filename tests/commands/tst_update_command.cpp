#include "support/SoundFiles.h"
#include "support/UploadRig.h"

#include "protocol/DecodedAudio.h"
#include "protocol/UploadSizes.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(WaveFile)

namespace {

constexpr int Flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
constexpr int Vorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
constexpr int Opus = SF_FORMAT_OGG | SF_FORMAT_OPUS;
constexpr int Mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

QString padded(const QString &name)
{
    return name.leftJustified(16, QLatin1Char(' '));
}

WaveFile wave16(int frames, int channels, quint32 rate, int seed = 0)
{
    WaveFile wave;
    wave.channels = static_cast<quint16>(channels);
    wave.sampleRate = rate;
    wave.data = pcm16(frames, channels, seed);
    return wave;
}

// The stored audio against what `wave` should give: 16-bit words exactly; for 8 bits the high
// bytes, with low bytes that are never 0.
void compareAudio(const QByteArray &audio, const WaveFile &wave, int steps, int words)
{
    if (wave.bitsPerSample == 16) {
        QCOMPARE(audio, expectedWords16(wave.data, wave.channels, steps, words));
        return;
    }
    QByteArray highs;
    for (qsizetype i = 0; i < audio.size(); i += 2) {
        highs += audio.at(i);
        QVERIFY(audio.at(i + 1) != 0);
    }
    QCOMPARE(highs, expectedHighBytes8(wave.data, wave.channels, steps, words));
}

// The "C" commands on the line, as location digits in order.
QString erasedOnLine(const SimComm &comm)
{
    QString digits;
    const QByteArray written = comm.written();
    for (qsizetype at = written.indexOf("C0"); at >= 0; at = written.indexOf("C0", at + 1))
        if (at + 3 < written.size() && written.at(at + 3) == '\r')
            digits += QLatin1Char(written.at(at + 2));
    return digits;
}

} // namespace

// The Update command from the button to the stored message, with its questions, its checks,
// the several-location path and the faults it mends.
class tst_update_command : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void continuationQuestion_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("later part, No") << 1 << false << true << false;
        QTest::newRow("later part, Yes") << 1 << true << true << true;
    }
    void continuationQuestion()
    {
        QFETCH(int, location);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        QFETCH(bool, loaded);
        UploadRig rig;
        for (int i : { 0, 1 }) {
            rig.declarations.LocationNames[size_t(i)] = padded(QStringLiteral("Old"));
            rig.surface.names[size_t(i)] = padded(QStringLiteral("Old"));
        }
        rig.declarations.SelectedLocation = static_cast<qint16>(location);
        rig.prompter.answers << yes;
        rig.update(rig.writeWave(QStringLiteral("New.wav"), wave16(500, 1, 8000)));
        if (asked) {
            QCOMPARE(rig.prompter.shown.first().text,
                QStringLiteral("This will clear all of the message 'Old             ' do you want "
                               "to continue?"));
            QCOMPARE(rig.prompter.shown.first().title, QStringLiteral("Clear Previous Message"));
            QVERIFY(rig.prompter.shown.first().question);
        }
        QCOMPARE(!rig.prompter.shown.isEmpty() && rig.prompter.shown.first().question, asked);
        if (!loaded) {
            QCOMPARE(rig.surface.statuses, QStringList { QStringLiteral("Command cancelled!") });
            QVERIFY(rig.comm->written().isEmpty());
            QVERIFY(rig.prompter.dialogFolders.isEmpty());
            return;
        }
        // Both parts of the old message are erased, then the new one is sent.
        QCOMPARE(erasedOnLine(*rig.comm), QStringLiteral("01"));
        QVERIFY(rig.unit.messageAt(location));
        QCOMPARE(rig.prompter.dialogFolders, QStringList { rig.paths.waveDir });
        QCOMPARE(rig.prompter.dialogFilters,
            QStringList { QStringLiteral("Wave Files (*.wav);;Sound Files (*.wav *.flac *.ogg "
                                         "*.oga *.opus *.mp3 *.aif *.aiff *.aifc *.WAV *.FLAC "
                                         "*.OGG *.OGA *.OPUS *.MP3 *.AIF *.AIFF *.AIFC)") });
    }

    void endsBeforeTheUnit_data()
    {
        QTest::addColumn<QString>("file"); // empty: none chosen
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("format"); // a sound file written there and cut to half its length
        QTest::newRow("no file chosen")
            << QString() << QStringLiteral("No File Selected!") << QString() << 0;
        // Both names are "__" on the unit: two messages must never share one.
        QTest::newRow("already loaded under its stored name")
            << QStringLiteral("中国.wav")
            << QStringLiteral("File already loaded, erase before reloading!") << QString() << 0;
        QTest::newRow("bad header")
            << QStringLiteral("bad.wav") << QStringLiteral("Audio File has bad channel amount1")
            << QStringLiteral("Loading %1") << 0;
        QTest::newRow("cut short in its header")
            << QStringLiteral("cut.wav") << QStringLiteral("File is damaged or cut short!")
            << QStringLiteral("Loading %1") << 0;
        QTest::newRow("missing file")
            << QStringLiteral("missing.wav") << QString() << QStringLiteral("File not found!") << 0;
        // A name ending in ".wav" is read as a wave file, whatever it holds.
        QTest::newRow("Ogg Vorbis named .wav")
            << QStringLiteral("ogg.wav") << QStringLiteral("Not a RIFF File")
            << QStringLiteral("Loading %1") << Vorbis;
        // Every other file is decoded to its end before anything is erased or sent.
        const auto damaged = [](const char *name, const char *file, const char *reason,
                                 int format) {
            QTest::newRow(name) << QString::fromUtf8(file)
                                << QStringLiteral("\"%1\" cannot be loaded.\n%2")
                                       .arg(QString::fromUtf8(file), QString::fromUtf8(reason))
                                << QStringLiteral("Loading %1") << format;
        };
        damaged("FLAC cut short", "cut.flac",
            "The file is damaged: its sound ends before the length its header gives.", Flac);
        damaged("Ogg Vorbis cut short", "cut.ogg",
            "The file cannot be decoded: Supported file format but file is malformed.", Vorbis);
        damaged("Opus cut short", "cut.opus", "The file is damaged: its end is missing.", Opus);
        damaged(
            "MP3 cut short", "cut.mp3", "The file is damaged: Unspecified internal error.", Mp3);
        damaged("missing MP3", "missing.mp3",
            "The file cannot be opened: No such file or directory", 0);
    }
    void endsBeforeTheUnit()
    {
        QFETCH(QString, file);
        QFETCH(QString, box);
        QFETCH(QString, status);
        QFETCH(int, format);
        UploadRig rig;
        rig.declarations.LocationNames[2] = padded(QStringLiteral("__"));
        rig.writeWave(QStringLiteral("中国.wav"), wave16(500, 1, 8000));
        WaveFile bad = wave16(500, 1, 8000);
        bad.channels = 0;
        rig.writeWave(QStringLiteral("bad.wav"), bad);
        QFile cut(rig.paths.waveDir + QStringLiteral("/cut.wav"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(wave16(500, 1, 8000).bytes().left(30));
        cut.close();
        const QString path
            = file.isEmpty() ? QString() : rig.paths.waveDir + QLatin1Char('/') + file;
        if (format != 0) {
            QVERIFY(writeSound(path, format, 48000, 2, tones(30000, 48000, 2, 0.5)).isEmpty());
            QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
        }
        rig.update(path);
        QCOMPARE(rig.prompter.texts(), box.isEmpty() ? QStringList() : QStringList { box });
        QCOMPARE(rig.surface.statusText,
            status.contains(QLatin1String("%1")) ? status.arg(path) : status);
        // Nothing reaches the unit: a failure only drains the input.
        QVERIFY(rig.comm->written().isEmpty());
        QVERIFY(rig.unit.received().isEmpty());
        QVERIFY(!rig.surface.states.contains(QStringLiteral("busy")));
        QCOMPARE(rig.surface.statusText == QStringLiteral("File not found!"),
            rig.surface.states == QStringList { QStringLiteral("idle") });
    }

    // The name the unit stores is the one the box shows and LocationNames keeps.
    void storedName()
    {
        const QByteArray stored("__ Osaka        ");
        UploadRig rig;
        rig.update(rig.writeWave(QStringLiteral("日本 Ōsaka.wav"), wave16(500, 1, 8000)));
        QVERIFY(rig.prompter.texts().isEmpty());
        QCOMPARE(rig.unit.messageAt(0)->name, stored);
        QCOMPARE(rig.surface.names[0], QString::fromLatin1(stored));
        QCOMPARE(rig.declarations.LocationNames[0], QString::fromLatin1(stored));
    }

    // Placement erases the messages it overwrites, each with all its locations, and leaves a
    // message elsewhere alone though it carries the same name.
    void placementLeavesNamesakes()
    {
        const QString t = QStringLiteral("Twin");
        const QString e;
        const QStringList shown { QStringLiteral("A"), e, t, t, e, e, t, e };
        UploadRig rig;
        rig.overflow.answer = QStringLiteral("Proceed");
        for (int i = 0; i < 8; ++i) {
            const QString name = shown.at(i).isEmpty() ? QString() : padded(shown.at(i));
            rig.declarations.LocationNames[size_t(i)] = rig.surface.names[size_t(i)] = name;
        }
        // Three locations: the message in the last one runs on into the fourth.
        rig.update(rig.writeWave(QStringLiteral("New.wav"), wave16(1100000, 1, 8000)));
        QCOMPARE(erasedOnLine(*rig.comm), QStringLiteral("0123"));
        QCOMPARE(rig.surface.names[6], padded(t));
        QVERIFY(rig.unit.messageAt(0));
    }

    // The wait sleeps in an event loop: the answer comes from a later event, and the command
    // goes on only then.
    void waitEndsWhenTheChoiceChanges()
    {
        UploadRig rig;
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(1);
        struct Late : OverflowPrompt {
            void showOverflow(modDeclarations &d, int, std::function<void()> answered) override
            {
                QTimer::singleShot(20, [&d, answered] {
                    d.OverflowChoice = QStringLiteral("Cancel");
                    answered();
                });
            }
        } late;
        rig.controller->setOverflowPrompt(&late);
        rig.update(rig.writeWave(QStringLiteral("Long.wav"), wave16(600000, 1, 8000)));
        QVERIFY(ticks >= 3); // other events ran while the command waited
        QCOMPARE(rig.surface.statusText, QStringLiteral("Ready!"));
        QCOMPARE(rig.declarations.OverflowChoice, QStringLiteral("Cancel"));
    }

    // Stop while the dialog waits answers it with Cancel: nothing is sent, and the window is
    // idle and usable again. A Stop that comes only after the answer leaves a transfer that
    // still offers Stop throughout.
    void stopWhileTheOverflowDialogWaits_data()
    {
        QTest::addColumn<bool>("stopFirst");
        QTest::newRow("Stop, then Down Sample") << true;
        QTest::newRow("Down Sample, then Stop before the command goes on") << false;
    }
    void stopWhileTheOverflowDialogWaits()
    {
        QFETCH(bool, stopFirst);
        UploadRig rig;
        rig.overflow.answer = QStringLiteral("Down Sample");
        const auto stop = [&rig] { rig.controller->cmdAbort_Click(); };
        (stopFirst ? rig.overflow.whileWaiting : rig.overflow.afterAnswer) = stop;
        int stopOffered = 0;
        rig.surface.onEvents = [&] { stopOffered += rig.surface.busy && rig.surface.abort; };
        rig.update(rig.writeWave(QStringLiteral("Long.wav"), wave16(750000, 1, 22050)));

        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(rig.surface.unitCommandsEnabled);
        if (stopFirst) {
            QCOMPARE(rig.declarations.OverflowChoice, QStringLiteral("Cancel"));
            QCOMPARE(rig.surface.statusText, QStringLiteral("Ready!"));
            QVERIFY(rig.comm->written().isEmpty());
            return;
        }
        QVERIFY(rig.unit.messageAt(0));
        QVERIFY(rig.surface.eventRuns > 0);
        QCOMPARE(stopOffered, rig.surface.eventRuns);
    }

    // The selection is the one the command started with, whatever the user clicks meanwhile.
    void selectionFixedForTheCommand()
    {
        UploadRig rig;
        rig.declarations.SelectedLocation = 6;
        rig.overflow.answer = QStringLiteral("Proceed");
        rig.overflow.whileWaiting = [&rig] { rig.controller->optLoc_Click(7); };
        const WaveFile wave = wave16(600000, 1, 8000);
        rig.update(rig.writeWave(QStringLiteral("Long.wav"), wave));
        QCOMPARE(rig.declarations.SelectedLocation, qint16(7));
        QVERIFY(rig.unit.messageAt(6));
        QVERIFY(!rig.unit.messageAt(7));
        QCOMPARE(rig.surface.names[6], padded(QStringLiteral("Long")));
        QCOMPARE(rig.surface.names[7], padded(QStringLiteral("Long")));
        QCOMPARE(QByteArray(rig.comm->written().mid(rig.comm->written().indexOf('L'), 4)),
            QByteArray("L06\r"));
    }

    // While the command runs nothing else talks to the unit: a second Update (File, Open) in
    // the dialog's wait or during the transfer does nothing.
    void secondCommandRefused()
    {
        UploadRig rig;
        rig.overflow.answer = QStringLiteral("Proceed");
        int refusedTries = 0;
        const auto tryAgain = [&] {
            const QByteArray before = rig.comm->written();
            const int prompts = rig.prompter.shown.size();
            QVERIFY(!rig.surface.unitCommandsEnabled);
            rig.prompter.files << rig.paths.waveDir + QStringLiteral("/Other.wav");
            rig.controller->mnuFileOpen_Click();
            rig.controller->cmdChange_Click();
            QCOMPARE(rig.comm->written(), before);
            QCOMPARE(rig.prompter.shown.size(), prompts);
            rig.prompter.files.clear();
            ++refusedTries;
        };
        rig.overflow.whileWaiting = tryAgain;
        rig.surface.onEvents = [&] {
            if (rig.surface.eventRuns == 3)
                tryAgain();
        };
        rig.writeWave(QStringLiteral("Other.wav"), wave16(500, 1, 8000));
        rig.update(rig.writeWave(QStringLiteral("Long.wav"), wave16(600000, 1, 8000)));
        QCOMPARE(refusedTries, 2);
        QVERIFY(rig.unit.messageAt(0));
        QVERIFY(rig.surface.unitCommandsEnabled);
        QCOMPARE(rig.prompter.dialogFolders.size(), 1);
    }

    // An erase that fails ends the command before "L": a port that fails takes the command's own
    // failure path; an erase the unit leaves unanswered, or answers after its wait, is named,
    // with the locations not tried after it. No further erase, no transfer, no box.
    void failedEraseEndsTheCommand_data()
    {
        QTest::addColumn<QString>("fault"); // "gone", "silent" or "late"
        QTest::addColumn<int>("failedErase"); // 1-based among the erases sent
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("oldMessage"); // "Old" over locations 1 and 2
        QTest::addColumn<QString>("erased"); // the erases on the line
        QTest::addColumn<QString>("status");
        QTest::newRow("port gone") << QStringLiteral("gone") << 1 << 0 << true << QString()
                                   << QStringLiteral("File not found!");
        QTest::newRow("location 3 unanswered")
            << QStringLiteral("silent") << 1 << 2 << false << QStringLiteral("2")
            << QStringLiteral("Error! Location 3 not erased!");
        QTest::newRow("location 3 answered 5 s late")
            << QStringLiteral("late") << 1 << 2 << false << QStringLiteral("2")
            << QStringLiteral("Error! Location 3 not erased!");
        QTest::newRow("first of two unanswered")
            << QStringLiteral("silent") << 1 << 0 << true << QStringLiteral("0")
            << QStringLiteral("Error! Locations 1, 2 not erased!");
        QTest::newRow("second of two unanswered")
            << QStringLiteral("silent") << 2 << 0 << true << QStringLiteral("01")
            << QStringLiteral("Error! Location 2 not erased!");
    }
    void failedEraseEndsTheCommand()
    {
        QFETCH(QString, fault);
        QFETCH(int, failedErase);
        QFETCH(int, selected);
        QFETCH(bool, oldMessage);
        QFETCH(QString, erased);
        QFETCH(QString, status);
        UploadRig rig;
        rig.declarations.SelectedLocation = static_cast<qint16>(selected);
        if (oldMessage)
            rig.surface.names[0] = rig.surface.names[1] = padded(QStringLiteral("Old"));
        if (fault == QStringLiteral("gone")) {
            rig.comm->vanish();
        } else {
            UnitEngine::Fault unanswered;
            unanswered.point = "C";
            unanswered.occurrence = failedErase;
            unanswered.kind = fault == QStringLiteral("late") ? UnitEngine::Fault::Delay
                                                              : UnitEngine::Fault::NoReply;
            unanswered.delayMs = 45000;
            rig.unit.injectFault(unanswered);
        }
        rig.update(rig.writeWave(QStringLiteral("Lobby.wav"), wave16(500, 1, 8000)));
        QCOMPARE(erasedOnLine(*rig.comm), erased);
        QCOMPARE(rig.surface.statuses.filter(QStringLiteral("Erasing")).size(), failedErase);
        QVERIFY(!rig.comm->written().contains('L'));
        QVERIFY(rig.surface.statuses.filter(QStringLiteral("Loading Position")).isEmpty());
        QCOMPARE(rig.surface.statusText, status);
        QVERIFY(rig.prompter.texts().isEmpty());
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(rig.surface.unitCommandsEnabled);
        QVERIFY(!rig.comm->takeError());
        QVERIFY(!rig.unit.messageAt(selected));
    }

    // Files as common tools write them, and the sizes the protocol cannot carry as they are.
    void toolConventions_data()
    {
        QTest::addColumn<WaveFile>("wave");
        QTest::addColumn<int>("words"); // sent
        WaveFile list = wave16(3000, 1, 8000);
        list.chunksBeforeData.append({ "LIST", QByteArray(77, 'm') });
        list.chunksBeforeData.append({ "fact", QByteArray(4, '\0') });
        QTest::newRow("LIST and fact chunks") << list << 3000;
        WaveFile extensible = wave16(3000, 3, 48000);
        extensible.formatTag = 0xFFFE;
        QTest::newRow("extensible PCM, 3 channels") << extensible << 3000;
        // What lies past the end of the file goes as silence.
        WaveFile truncated = wave16(1000, 1, 8000);
        truncated.declaredDataSize = 5000;
        QTest::newRow("data chunk shorter than it says") << truncated << 2500;
        // A short chime is padded with silence to the shortest message the protocol carries.
        WaveFile chime8;
        chime8.bitsPerSample = 8;
        chime8.data = pcm8(50, 1);
        QTest::newRow("8-bit chime of 50 samples") << chime8 << 113;
    }
    void toolConventions()
    {
        QFETCH(WaveFile, wave);
        QFETCH(int, words);
        UploadRig rig;
        rig.update(rig.writeWave(QStringLiteral("Tool.wav"), wave));
        QVERIFY(rig.prompter.texts().isEmpty());
        QCOMPARE(rig.surface.statusText, QStringLiteral("%1 bytes sent").arg(words * 2));
        // The header announces exactly the bytes the blocks carry: after "L", "00" and the
        // carriage return (the erase comes before), its size field lies 24 bytes in.
        const QByteArray line = rig.comm->written();
        const qsizetype load = line.indexOf("L00\r");
        QVERIFY(load >= 0);
        QCOMPARE(qFromLittleEndian<quint32>(line.constData() + load + 4 + 24), quint32(words * 2));
        compareAudio(rig.unit.messageAt(0)->audio, wave, 0, words);
    }

    // From the file to the stored message, by every route: the dialog when one is needed, the
    // halvings, the conversion of each sample width and channel count, the rows and the status.
    // Sound files of other kinds, made by libsndfile, are decoded and go as a mono 16-bit wave
    // file of their first channel would.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("kind"); // 8 or 16: a wave file of so many bits; else SF_FORMAT_...
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("answer"); // empty: no dialog expected
        QTest::addColumn<int>("steps"); // -1: nothing sent
        QTest::addColumn<int>("locations");
        QTest::addColumn<bool>("autoReduce");
        QTest::addColumn<QString>("box");
        const auto row = [](const char *name, const char *file, int kind, int channels, int rate,
                             int frames, int at, const char *answer, int steps, int locations,
                             bool reduce = true, const char *box = "") {
            QTest::newRow(name) << QString::fromUtf8(file) << kind << channels << rate << frames
                                << at << QString::fromLatin1(answer) << steps << locations
                                << reduce << QString::fromLatin1(box);
        };
        row("16-bit mono 44.1 kHz, Auto Reduce off", "Trip.wav", 16, 1, 44100, 400000, 0, "", 0, 1,
            false);
        row("16-bit mono 8 kHz", "Trip.wav", 16, 1, 8000, 20000, 0, "", 0, 1);
        row("8-bit mono 11,025 Hz", "Trip.wav", 8, 1, 11025, 30001, 0, "", 0, 1);
        row("16-bit stereo 22,050 Hz", "Trip.wav", 16, 2, 22050, 40000, 0, "", 0, 1);
        row("8-bit stereo 16 kHz over 2", "Trip.wav", 8, 2, 16000, 700000, 0, "Proceed", 0, 2);
        row("16-bit 3 ch 32 kHz over 2", "Trip.wav", 16, 3, 32000, 600000, 0, "Proceed", 0, 2);
        row("8-bit 3 ch 44.1 kHz, Auto Reduce", "Trip.wav", 8, 3, 44100, 300000, 0, "", 1, 1);
        row("16-bit stereo 48 kHz halved over 2", "Trip.wav", 16, 2, 48000, 1400000, 0, "Proceed",
            1, 2);
        row("16-bit mono 96 kHz halved twice", "Trip.wav", 16, 1, 96000, 2000000, 0,
            "Down Sample", 2, 1);
        row("8-bit mono 96 kHz over 3", "Trip.wav", 8, 1, 96000, 3000000, 0, "Proceed", 1, 3);
        row("44.1k 1,500,000 at 6: halved, no dialog", "Trip.wav", 16, 1, 44100, 750000, 6, "", 1,
            1, false);
        row("16k 1,500,000 at 7: too big", "Trip.wav", 16, 1, 16000, 750000, 7, "", -1, 0, true,
            "File Is Too Big!");
        row("Cancel leaves everything", "Trip.wav", 16, 1, 8000, 600000, 6, "Cancel", -1, 0);
        row("FLAC stereo 22,050 Hz", "Trip.FLAC", Flac, 2, 22050, 30000, 0, "", 0, 1);
        row("Ogg Vorbis mono 44.1 kHz, Auto Reduce", "Trip.ogg", Vorbis, 1, 44100, 60000, 0, "", 1,
            1);
        row("Opus stereo 48 kHz, Auto Reduce", "Trip.Opus", Opus, 2, 48000, 60000, 0, "", 1, 1);
        row("MP3 mono 16 kHz over 2", "Trip.mp3", Mp3, 1, 16000, 600000, 0, "Proceed", 0, 2);
    }
    void roundTrip()
    {
        QFETCH(QString, file);
        QFETCH(int, kind);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, frames);
        QFETCH(int, location);
        QFETCH(QString, answer);
        QFETCH(int, steps);
        QFETCH(int, locations);
        QFETCH(bool, autoReduce);
        QFETCH(QString, box);
        UploadRig rig;
        rig.surface.autoReduce = autoReduce;
        rig.overflow.answer = answer.isEmpty() ? QStringLiteral("Cancel") : answer;
        rig.declarations.SelectedLocation = static_cast<qint16>(location);
        WaveFile wave;
        std::vector<qint16> written; // a decoded file's samples as written, at full scale
        QString path = rig.paths.waveDir + QLatin1Char('/') + file;
        if (kind == 8 || kind == 16) {
            wave.bitsPerSample = static_cast<quint16>(kind);
            wave.channels = static_cast<quint16>(channels);
            wave.sampleRate = quint32(rate);
            wave.data = kind == 8 ? pcm8(frames, channels, 3) : pcm16(frames, channels, 3);
            QVERIFY(wave.write(path));
        } else {
            written = tones(frames, rate, channels, 1.0);
            QVERIFY(writeSound(path, kind, rate, channels, written).isEmpty());
            DecodedAudio decoded(path);
            QVERIFY(decoded.open(QIODevice::ReadOnly));
            QCOMPARE(decoded.frames(), frames);
            wave.data = decoded.readAll();
        }
        rig.update(path);
        QCOMPARE(rig.overflow.showings, answer.isEmpty() ? 0 : 1);
        QCOMPARE(rig.prompter.texts(), box.isEmpty() ? QStringList() : QStringList { box });
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        if (steps < 0) {
            QCOMPARE(erasedOnLine(*rig.comm), QString());
            QVERIFY(!rig.comm->written().contains('L'));
            if (box.isEmpty())
                QCOMPARE(rig.surface.statusText, QStringLiteral("Ready!"));
            return;
        }

        const int words = frames >> steps;
        QCOMPARE(int(rig.declarations.ReduceSteps), steps);
        QCOMPARE(rig.surface.statusText, QStringLiteral("%1 bytes sent").arg(words * 2));
        const auto &stored = rig.unit.messageAt(location);
        QVERIFY(stored);
        QCOMPARE(stored->name, QByteArray("Trip            "));
        QCOMPARE(int(stored->sampleRate), rate >> steps);
        QCOMPARE(UnitEngine::locationsCovered(stored->audio.size()), locations);
        for (int i = 0; i < 8; ++i) {
            const bool inside = i >= location && i < location + locations;
            QCOMPARE(rig.unit.ownerOf(i).has_value(), inside);
            QCOMPARE(
                rig.surface.names[size_t(i)], inside ? padded(QStringLiteral("Trip")) : QString());
        }
        compareAudio(stored->audio, wave, steps, words);
        // Written back out as a wave file and converted again, the audio is the same.
        const WaveFile back = WaveFile::fromUnitAudio(stored->audio, stored->sampleRate);
        QCOMPARE(expectedWords16(back.data, 1, 0, words), stored->audio);
        // Lossy decoders overshoot a full-scale tone, and libsndfile's own 16-bit reading of
        // Vorbis and Opus wraps those samples round to the other end of the scale: they must be
        // held at full scale instead.
        int clipped = 0;
        for (int w = 0; w < words && !written.empty(); ++w) {
            const int sample
                = (quint8(stored->audio[2 * w]) << 8 | quint8(stored->audio[2 * w + 1])) - 32768;
            const int peak = written[size_t(qint64(w << steps) * channels)];
            if (std::abs(peak) > 29000 && (sample < 0) != (peak < 0))
                QFAIL(qPrintable(
                    QStringLiteral("word %1: %2 at a peak of %3").arg(w).arg(sample).arg(peak)));
            clipped += sample == 32767 || sample == -32768;
        }
        if (kind != 8 && kind != 16 && kind != Flac)
            QVERIFY2(clipped > 0, "the decoder did not overshoot; the row proves nothing");
    }
};


QTEST_GUILESS_MAIN(tst_update_command)
#include "tst_update_command.moc"
