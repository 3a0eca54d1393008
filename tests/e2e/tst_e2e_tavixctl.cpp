#include "support/SoundFiles.h"
#include "support/PtyUnit.h"
#include "support/UploadRig.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <signal.h>

namespace {

// A run of tavixctl is bounded by this only when it hangs.
constexpr int RunWaitMs = 120000;

// tavixctl copied into a folder of its own, with the window's settings file naming port 1 and the
// link ports/com1 to the simulated unit beside it: it runs on the window's defaults there, and
// the build folder's own files stay untouched.
struct CtlRig {
    QTemporaryDir folder;

    QString path(const QString &name) const { return folder.filePath(name); }
    bool prepare()
    {
        QFile setup(path(QStringLiteral("setup.txt")));
        return QFile::copy(
                   QDir(qEnvironmentVariable("TAVIX_BIN_DIR")).filePath(QStringLiteral("tavixctl")),
                   path(QStringLiteral("tavixctl")))
            && setup.open(QIODevice::WriteOnly)
            && setup.write("BaudRate=460800\r\nCommPort=1\r\n") > 0;
    }
    QStringList simArguments(const QStringList &more) const
    {
        return PtyUnit::linkArguments(path(QStringLiteral("ports")), 1,
            QStringList { QStringLiteral("--store-dir"), path(QStringLiteral("stored")) } + more);
    }
    QString writeWave(const QString &name, int rate, int frames, int channels = 1) const
    {
        WaveFile wave;
        wave.sampleRate = quint32(rate);
        wave.channels = quint16(channels);
        wave.data = pcm16(frames, channels, 5);
        wave.write(path(name));
        return path(name);
    }

    // Runs tavixctl; with `interruptOn`, Ctrl-C goes to it once its output shows that text.
    int run(
        const QStringList &arguments, QString &out, QString &err, const QString &interruptOn = {})
    {
        QProcess process;
        process.start(path(QStringLiteral("tavixctl")), arguments);
        if (!interruptOn.isEmpty()) {
            while (!out.contains(interruptOn) && process.waitForReadyRead(RunWaitMs))
                out += QString::fromLocal8Bit(process.readAllStandardOutput());
            ::kill(pid_t(process.processId()), SIGINT);
        }
        if (!process.waitForFinished(RunWaitMs) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        out += QString::fromLocal8Bit(process.readAllStandardOutput());
        err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }
};

// The demo's messages, as `ls --json` gives them.
const char *demoJson = R"({"messages":[
    {"location":1,"name":"Lobby chime","bytes":48000,"spans":[1]},
    {"location":3,"name":"Opening hours","bytes":1323000,"spans":[3,4]},
    {"location":8,"name":"Goodbye","bytes":55126,"spans":[8]}],
    "mode":"stack","delay":0})";

} // namespace

// tavixctl as a script runs it, against tavix-unit-sim on a pseudo-terminal holding the demo's
// messages: every subcommand, the exit status of each failure class, and the audio an upload
// stores against what the window's Update command stores for the same file.
class tst_e2e_tavixctl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subcommands_data()
    {
        QTest::addColumn<QStringList>("sim"); // switches of the simulated unit beyond --demo
        QTest::addColumn<QStringList>("arguments"); // "%device" and "%dir" are filled in
        QTest::addColumn<QString>("interruptOn");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // lines each found whole on stdout; JSON compared as JSON
        QTest::addColumn<QString>("err"); // found on stderr
        // The overflow answer ("-": none asked) with which the window's Update command, given the
        // same file in-process, must store the audio this upload stored in location 1.
        QTest::addColumn<QString>("window");
        const auto row = [](const char *name, const QStringList &sim, const QString &arguments,
                             int status, const QString &out, const QString &err = {},
                             const QString &interruptOn = {}, const QString &window = {}) {
            QTest::newRow(name) << sim << arguments.split(QLatin1Char(' ')) << interruptOn << status
                                << out << err << window;
        };
        const QStringList none;
        row("ports", none, QStringLiteral("ports"), 0,
            QStringLiteral("1\t%device\t-\tok\tpinned"));
        row("find", none, QStringLiteral("find"), 0, QStringLiteral("1"));
        row("info", none, QStringLiteral("info"), 0,
            QStringLiteral("identity: Tavix v1.0\nmanufacturer code: 54 58 8"));
        row("ls", none, QStringLiteral("ls"), 0,
            QStringLiteral("3         Opening hours     1323000   3-4\nmode: stack\ndelay: 0"));
        row("ls --json", none, QStringLiteral("ls --json"), 0, QString::fromLatin1(demoJson));
        row("--sim holds the demo's messages", none, QStringLiteral("ls --sim --json"), 0,
            QString::fromLatin1(demoJson));
        row("upload: Auto Reduce, stored as the window does", none,
            QStringLiteral("upload %dir/Stereo.wav --location 1"), 0,
            QStringLiteral("loading: 100% (300000 of 300000 bytes)\n300000 bytes sent"), {}, {},
            QStringLiteral("-"));
        row("upload: halved, then over two as the window does", none,
            QStringLiteral("upload %dir/High.wav --location 1 --overflow proceed"), 0,
            QStringLiteral("1200000 bytes sent"), {}, {}, QStringLiteral("Proceed"));
        row("upload: down-sample into one as the window does", none,
            QStringLiteral("upload %dir/Mid.wav --location 1 --overflow down-sample"), 0,
            QStringLiteral("700000 bytes sent"), {}, {}, QStringLiteral("Down Sample"));
        row("upload: an MP3 file, stored as the window does", none,
            QStringLiteral("upload %dir/Voice.mp3 --location 1"), 0,
            QStringLiteral("80000 bytes sent"), {}, {}, QStringLiteral("-"));
        row("erase the whole message", none, QStringLiteral("erase 4 --yes"), 0,
            QStringLiteral("erased locations 3, 4"));
        row("play --wait", { QStringLiteral("--preload"), QStringLiteral("2:Short:8000:0.6") },
            QStringLiteral("play 2 --wait"), 0, QStringLiteral("Playing Message: 2\nMessage Done"));
        row("stop", none, QStringLiteral("stop"), 0, QStringLiteral("Playback Stopped"));
        row("mode", none, QStringLiteral("mode interrupt"), 0, QStringLiteral("interrupt"));
        row("delay on a device, options first", none, QStringLiteral("--port %device delay 7"), 0,
            QStringLiteral("7"));

        row("usage: an option of another subcommand", none, QStringLiteral("ls --location 3"), 64,
            {}, QStringLiteral("--location is not an option of ls"));
        row("file refused: already loaded", none,
            QStringLiteral("upload %dir/Goodbye.wav --location 2"), 65, {},
            QStringLiteral("File already loaded, erase before reloading!"));
        row("file refused: overflow needs an answer", none,
            QStringLiteral("upload %dir/Long.wav --location 5"), 65, {},
            QStringLiteral("--overflow is needed"));
        row("file refused: continuation needs --yes", none,
            QStringLiteral("upload %dir/Chime.wav --location 4"), 65, {},
            QStringLiteral("--yes is needed"));
        row("port not available", none, QStringLiteral("ls --port /dev/no-such-tty"), 66, {},
            QStringLiteral("/dev/no-such-tty"));
        row("no unit answering", { QStringLiteral("--silent") }, QStringLiteral("info"), 69, {},
            QStringLiteral("no unit answers on port 1"));
        row("unit reported a failure", { QStringLiteral("--fault"), QStringLiteral("W=EE") },
            QStringLiteral("mode stack"), 74, {},
            QStringLiteral("setting the mode: the unit answered \"EE\""));
        row("Ctrl-C stops at a block boundary",
            { QStringLiteral("--baud"), QStringLiteral("460800") },
            QStringLiteral("upload %dir/Long.wav --location 5 --overflow proceed"), 130, {},
            QStringLiteral("Loading Aborted after"), QStringLiteral("loading: 0%"));
    }
    void subcommands()
    {
        QFETCH(QStringList, sim);
        QFETCH(QStringList, arguments);
        QFETCH(QString, interruptOn);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, window);
        CtlRig rig;
        QVERIFY(rig.prepare());
        PtyUnit unit;
        START_PTY_UNIT(unit, rig.simArguments(QStringList { QStringLiteral("--demo") } + sim));
        const struct {
            const char *name;
            int rate, frames, channels;
        } files[] = { { "Chime", 8000, 4000, 1 }, { "Goodbye", 8000, 4000, 1 },
            { "Long", 8000, 600000, 1 }, { "Stereo", 44100, 300000, 2 },
            { "High", 96000, 1200000, 1 }, { "Mid", 22050, 700000, 1 } };
        for (const auto &file : files)
            if (arguments.contains(QStringLiteral("%dir/%1.wav").arg(QLatin1String(file.name))))
                rig.writeWave(QStringLiteral("%1.wav").arg(QLatin1String(file.name)), file.rate,
                    file.frames, file.channels);
        if (arguments.contains(QStringLiteral("%dir/Voice.mp3")))
            QVERIFY(writeSound(rig.path(QStringLiteral("Voice.mp3")),
                SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16000, 2, tones(40000, 16000, 2, 0.5))
                        .isEmpty());
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("%device"), unit.devicePath())
                .replace(QStringLiteral("%dir"), rig.folder.path());

        QString stdoutText;
        QString stderrText;
        QCOMPARE(rig.run(arguments, stdoutText, stderrText, interruptOn), status);
        QVERIFY2(stderrText.contains(err), qPrintable(stderrText));
        // A failure says why in one line; a success says nothing there.
        QCOMPARE(stderrText.count(QLatin1Char('\n')), status == 0 ? 0 : 1);
        if (out.startsWith(QLatin1Char('{')))
            QCOMPARE(QJsonDocument::fromJson(stdoutText.toUtf8()),
                QJsonDocument::fromJson(out.toUtf8()));
        const QStringList lines = stdoutText.split(QLatin1Char('\n'));
        for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(out.startsWith(QLatin1Char('{'))
                    || lines.contains(
                        QString(line).replace(QStringLiteral("%device"), unit.devicePath())),
                qPrintable(stdoutText));
        if (window.isEmpty())
            return;

        UploadRig update;
        update.surface.autoReduce = true;
        update.overflow.answer = window == u"-" ? QStringLiteral("Cancel") : window;
        const QString file
            = update.paths.waveDir + QStringLiteral("/Trip.") + QFileInfo(arguments.at(1)).suffix();
        QVERIFY(QFile::copy(arguments.at(1), file));
        update.update(file);
        const auto &stored = update.unit.messageAt(0);
        QVERIFY(stored);
        QCOMPARE(update.overflow.showings, window == u"-" ? 0 : 1);
        QFile sent(rig.path(QStringLiteral("stored/loc1.wav")));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(
            sent.readAll(), WaveFile::fromUnitAudio(stored->audio, stored->sampleRate).bytes());
    }
};

QTEST_GUILESS_MAIN(tst_e2e_tavixctl)
#include "tst_e2e_tavixctl.moc"
