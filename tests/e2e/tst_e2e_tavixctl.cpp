#include "support/PtyUnit.h"
#include "support/UploadRig.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

// The demo's messages, as `ls --json` gives them.
static const char *demoJson = R"({"messages":[{"location":1,"name":"Lobby chime","bytes":48000,"spans":[1]},
    {"location":3,"name":"Opening hours","bytes":1323000,"spans":[3,4]},
    {"location":8,"name":"Goodbye","bytes":55126,"spans":[8]}], "mode":"stack","delay":0})";

// tavixctl as a script runs it, against tavix-unit-sim on a pseudo-terminal holding the demo's
// messages: every subcommand, the exit status of each failure class, and the audio an upload
// stores against what the window's Update command stores for the same file.
class tst_e2e_tavixctl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subcommands_data()
    {
        // The unit's switches beyond --demo|arguments|status|lines each found whole on stdout ("%json": the demo's,
        // compared as JSON), or what stderr says|the overflow answer with which the window's Update, given the same
        // file, stores the audio this upload stored ("-": none asked), or the output at which Ctrl-C comes.
        QTest::addColumn<QString>("row");
        for (const char *row : { "|ports|0|1\t%device\t-\tok\tpinned", "|find|0|1",
                 "|info|0|identity: Tavix v1.0\nmanufacturer code: 54 58 8",
                 "|ls|0|3         Opening hours     1323000   3-4\nmode: stack\ndelay: 0",
                 "|ls --json|0|%json", "|ls --sim --json|0|%json",
                 "|upload %dir/Stereo.wav --location 1|0|"
                 "loading: 100% (300000 of 300000 bytes)\n300000 bytes sent|-",
                 "|upload %dir/High.wav --location 1 --overflow proceed|0|"
                 "1200000 bytes sent|Proceed",
                 "|upload %dir/Mid.wav --location 1 --overflow down-sample|0|"
                 "700000 bytes sent|Down Sample",
                 "|erase 4 --yes|0|erased locations 3, 4",
                 "--preload 2:Short:8000:0.6|play 2 --wait|0|Playing Message: 2\nMessage Done",
                 "|stop|0|Playback Stopped", "|mode interrupt|0|interrupt",
                 "|--port %device delay 7|0|7",
                 "|ls --location 3|64|--location is not an option of ls",
                 "|erase 0 --yes|64|erase needs a location 1 to 8, not \"0\"",
                 "|upload %dir/Chime.wav --location 9|64|--location needs a number 1 to 8, not \"9\"",
                 "|upload %dir/Goodbye.wav --location 2|65|"
                 "File already loaded, erase before reloading!",
                 "|upload %dir/Long.wav --location 5|65|--overflow is needed",
                 "|upload %dir/Chime.wav --location 4|65|--yes is needed",
                 "|ls --port /dev/no-such-tty|66|/dev/no-such-tty",
                 "--silent|info|69|no unit answers on port 1",
                 "--fault W=EE|mode stack|74|setting the mode: the unit answered \"EE\"",
                 "--fault L.header=E|upload %dir/Chime.wav --location 2|74|"
                 "loading location 2: Totals Error 1",
                 "--baud 460800|upload %dir/Long.wav --location 5 --overflow proceed|130|"
                 "Loading Aborted after|loading: 0%" })
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void subcommands()
    {
        QFETCH(QString, row);
        const QStringList in = row.split(u'|');
        const int status = in[2].toInt();
        const QString window = in.value(4);
        // tavixctl in a folder of its own beside the window's settings naming port 1 and the link
        // ports/com1: it runs on the window's defaults there.
        QTemporaryDir folder;
        const auto path = [&folder](const QString &name) { return folder.filePath(name); };
        QVERIFY(QFile::copy(qEnvironmentVariable("TAVIX_BIN_DIR") + u"/tavixctl"_s, path(u"tavixctl"_s)));
        QFile setup(path(u"setup.txt"_s));
        QVERIFY(setup.open(QIODevice::WriteOnly) && setup.write("BaudRate=460800\r\nCommPort=1\r\n") > 0);
        setup.close();
        PtyUnit unit;
        START_PTY_UNIT(unit,
            PtyUnit::linkArguments(path(u"ports"_s), 1,
                QStringList { u"--store-dir"_s, path(u"stored"_s), u"--demo"_s }
                    + in[0].split(u' ', Qt::SkipEmptyParts)));
        for (const QString &file : {u"Chime 8000 4000 1"_s, u"Goodbye 8000 4000 1"_s, u"Long 8000 600000 1"_s,
                                    u"Stereo 44100 300000 2"_s, u"High 96000 1200000 1"_s, u"Mid 22050 700000 1"_s}) {
            const QStringList wav = file.split(u' ');
            WaveFile wave;
            wave.sampleRate = wav[1].toUInt();
            wave.channels = wav[3].toUShort();
            wave.data = pcm(wav[2].toInt(), wave.channels, 5);
            QVERIFY(!in[1].contains(wav[0] + u".wav") || wave.write(path(wav[0] + u".wav")));
        }
        const QStringList argv =
            QString(in[1]).replace(u"%device"_s, unit.devicePath()).replace(u"%dir"_s, folder.path()).split(u' ');
        QProcess process;
        process.start(path(u"tavixctl"_s), argv);
        QString out;
        while (status == 130 && !out.contains(window) && process.waitForReadyRead(120000))
            out += QString::fromLocal8Bit(process.readAllStandardOutput());
        if (status == 130)
            ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit);
        out += QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(err.count(u'\n'), status == 0 ? 0 : 1);  // a failure says why in one line; a success nothing
        const QString expected = QString(in[3]).replace(u"%device"_s, unit.devicePath());
        if (status != 0)
            QVERIFY2(err.contains(expected), qPrintable(err));
        else if (expected == u"%json")
            QCOMPARE(QJsonDocument::fromJson(out.toUtf8()), QJsonDocument::fromJson(demoJson));
        for (const QString &line : expected.split(u'\n'))
            QVERIFY2(status != 0 || expected == u"%json" || out.split(u'\n').contains(line), qPrintable(out));
        if (status != 0 || window.isEmpty())
            return;
        UploadRig update;
        update.surface.autoReduce = true;
        update.overflow.answer = window == u"-" ? u"Cancel"_s : window;
        QVERIFY(QFile::copy(argv.at(1), update.paths.waveDir + u"/Trip.wav"_s));
        update.update(update.paths.waveDir + u"/Trip.wav"_s);
        const auto &stored = update.unit.messageAt(0);
        QVERIFY(stored);
        QCOMPARE(update.overflow.showings, window == u"-" ? 0 : 1);
        QFile sent(path(u"stored/loc1.wav"_s));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(sent.readAll(), WaveFile::fromUnitAudio(stored->audio, stored->sampleRate).bytes());
    }
};

QTEST_GUILESS_MAIN(tst_e2e_tavixctl)
#include "tst_e2e_tavixctl.moc"
