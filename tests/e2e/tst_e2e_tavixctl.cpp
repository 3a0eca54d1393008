#include "support/PtyUnit.h"
#include "support/SoundFiles.h"
#include "support/UploadRig.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <signal.h>

namespace {

// A run of tavixctl is bounded by this only when it hangs.
constexpr int RunWaitMs = 120000;

// The demo's messages, as `ls --json` gives them.
const char *demoJson = R"({"messages":[
    {"location":1,"name":"Lobby chime","bytes":48000,"spans":[1]},
    {"location":3,"name":"Opening hours","bytes":1323000,"spans":[3,4]},
    {"location":8,"name":"Goodbye","bytes":55126,"spans":[8]}],
    "mode":"stack","delay":0})";

}  // namespace

// tavixctl as a script runs it, against tavix-unit-sim on a pseudo-terminal holding the demo's
// messages: every subcommand, the exit status of each failure class, and the audio an upload
// stores against what the window's Update command stores for the same file.
class tst_e2e_tavixctl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subcommands_data()
    {
        QTest::addColumn<QString>("sim");  // switches of the simulated unit beyond --demo
        QTest::addColumn<QString>("arguments");  // "%device" and "%dir" are filled in
        QTest::addColumn<int>("status");
        // Lines each found whole on stdout (JSON compared as JSON), or what stderr holds.
        QTest::addColumn<QString>("out");
        // The overflow answer ("-": none asked) with which the window's Update command, given the
        // same file in-process, must store the audio this upload stored in location 1; or, for
        // "interrupt", the output on which Ctrl-C goes to tavixctl.
        QTest::addColumn<QString>("window");
        const auto row = [](const char *name, const char *sim, const char *arguments, int status, const char *out,
                            const char *window = "") {
            QTest::newRow(name) << QString::fromLatin1(sim) << QString::fromLatin1(arguments) << status
                                << QString::fromLatin1(out) << QString::fromLatin1(window);
        };
        row("ports", "", "ports", 0, "1\t%device\t-\tok\tpinned");
        row("find", "", "find", 0, "1");
        row("info", "", "info", 0, "identity: Tavix v1.0\nmanufacturer code: 54 58 8");
        row("ls", "", "ls", 0, "3         Opening hours     1323000   3-4\nmode: stack\ndelay: 0");
        row("ls --json", "", "ls --json", 0, demoJson);
        row("--sim holds the demo's messages", "", "ls --sim --json", 0, demoJson);
        row("upload: Auto Reduce, as the window", "", "upload %dir/Stereo.wav --location 1", 0,
            "loading: 100% (300000 of 300000 bytes)\n300000 bytes sent", "-");
        row("upload: halved, then over two, as the window", "", "upload %dir/High.wav --location 1 --overflow proceed",
            0, "1200000 bytes sent", "Proceed");
        row("upload: down-sampled into one, as the window", "",
            "upload %dir/Mid.wav --location 1 --overflow down-sample", 0, "700000 bytes sent", "Down Sample");
        row("upload: an MP3 file, as the window", "", "upload %dir/Voice.mp3 --location 1", 0, "80000 bytes sent", "-");
        row("erase the whole message", "", "erase 4 --yes", 0, "erased locations 3, 4");
        row("play --wait", "--preload 2:Short:8000:0.6", "play 2 --wait", 0, "Playing Message: 2\nMessage Done");
        row("stop", "", "stop", 0, "Playback Stopped");
        row("mode", "", "mode interrupt", 0, "interrupt");
        row("delay on a device, options first", "", "--port %device delay 7", 0, "7");
        row("usage: an option of another subcommand", "", "ls --location 3", 64, "--location is not an option of ls");
        row("file refused: already loaded", "", "upload %dir/Goodbye.wav --location 2", 65,
            "File already loaded, erase before reloading!");
        row("file refused: overflow needs an answer", "", "upload %dir/Long.wav --location 5", 65,
            "--overflow is needed");
        row("file refused: continuation needs --yes", "", "upload %dir/Chime.wav --location 4", 65, "--yes is needed");
        row("port not available", "", "ls --port /dev/no-such-tty", 66, "/dev/no-such-tty");
        row("no unit answering", "--silent", "info", 69, "no unit answers on port 1");
        row("unit reported a failure", "--fault W=EE", "mode stack", 74,
            "setting the mode: the unit answered \"EE\"");
        row("unit refused an upload's header", "--fault L.header=E", "upload %dir/Chime.wav --location 2", 74,
            "loading location 2: Totals Error 1");
        row("Ctrl-C stops at a block boundary", "--baud 460800",
            "upload %dir/Long.wav --location 5 --overflow proceed", 130, "Loading Aborted after", "loading: 0%");
    }
    void subcommands()
    {
        QFETCH(QString, sim);
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, window);
        // tavixctl copied into a folder of its own, with the window's settings file naming port 1
        // and the link ports/com1 beside it: it runs on the window's defaults there.
        QTemporaryDir folder;
        const auto path = [&folder](const char *name) { return folder.filePath(QLatin1String(name)); };
        const QString binDir = qEnvironmentVariable("TAVIX_BIN_DIR");
        QVERIFY(QFile::copy(QDir(binDir).filePath(QStringLiteral("tavixctl")), path("tavixctl")));
        QFile setup(path("setup.txt"));
        QVERIFY(setup.open(QIODevice::WriteOnly) && setup.write("BaudRate=460800\r\nCommPort=1\r\n") > 0);
        setup.close();
        PtyUnit unit;
        const QStringList more{QStringLiteral("--store-dir"), path("stored"), QStringLiteral("--demo")};
        START_PTY_UNIT(unit, PtyUnit::linkArguments(path("ports"), 1, more + sim.split(u' ', Qt::SkipEmptyParts)));
        const struct {
            const char *name;
            int rate, frames, channels;
        } files[]{{"Chime.wav", 8000, 4000, 1},      {"Goodbye.wav", 8000, 4000, 1}, {"Long.wav", 8000, 600000, 1},
                  {"Stereo.wav", 44100, 300000, 2}, {"High.wav", 96000, 1200000, 1}, {"Mid.wav", 22050, 700000, 1}};
        for (const auto &file : files) {
            if (!arguments.contains(QLatin1String(file.name)))
                continue;
            WaveFile wave;
            wave.sampleRate = quint32(file.rate);
            wave.channels = quint16(file.channels);
            wave.data = pcm16(file.frames, file.channels, 5);
            QVERIFY(wave.write(path(file.name)));
        }
        if (arguments.contains(QStringLiteral("Voice.mp3")))
            QCOMPARE(writeSound(path("Voice.mp3"), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16000, 2,
                                tones(40000, 16000, 2, 0.5)),
                     QString());
        const QStringList argv = arguments.replace(QStringLiteral("%device"), unit.devicePath())
                                     .replace(QStringLiteral("%dir"), folder.path())
                                     .split(u' ');

        // Run it; on a row that interrupts, Ctrl-C goes to it once its output shows that text.
        QProcess process;
        process.start(path("tavixctl"), argv);
        QString stdoutText;
        const bool interrupt = status == 130;
        while (interrupt && !stdoutText.contains(window) && process.waitForReadyRead(RunWaitMs))
            stdoutText += QString::fromLocal8Bit(process.readAllStandardOutput());
        if (interrupt)
            ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(RunWaitMs) && process.exitStatus() == QProcess::NormalExit);
        stdoutText += QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stderrText = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), status);
        // A failure says why in one line; a success says nothing there.
        QCOMPARE(stderrText.count(u'\n'), status == 0 ? 0 : 1);
        if (status != 0)
            QVERIFY2(stderrText.contains(out), qPrintable(stderrText));
        else if (out.startsWith(u'{'))
            QCOMPARE(QJsonDocument::fromJson(stdoutText.toUtf8()), QJsonDocument::fromJson(out.toUtf8()));
        else
            for (const QString &line : out.replace(QStringLiteral("%device"), unit.devicePath()).split(u'\n'))
                QVERIFY2(stdoutText.split(u'\n').contains(line), qPrintable(stdoutText));
        if (status != 0 || window.isEmpty())
            return;

        UploadRig update;
        update.surface.autoReduce = true;
        update.overflow.answer = window == u"-" ? QStringLiteral("Cancel") : window;
        const QString file = update.paths.waveDir + QStringLiteral("/Trip.") + QFileInfo(argv.at(1)).suffix();
        QVERIFY(QFile::copy(argv.at(1), file));
        update.update(file);
        const auto &stored = update.unit.messageAt(0);
        QVERIFY(stored);
        QCOMPARE(update.overflow.showings, window == u"-" ? 0 : 1);
        QFile sent(path("stored/loc1.wav"));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(sent.readAll(), WaveFile::fromUnitAudio(stored->audio, stored->sampleRate).bytes());
    }
};

QTEST_GUILESS_MAIN(tst_e2e_tavixctl)
#include "tst_e2e_tavixctl.moc"
