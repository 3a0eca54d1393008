#include "support/PtyUnit.h"

#include "Preload.h"
#include "protocol/UploadSizes.h"
#include "protocol/WaveHeader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The simulated unit's preloaded messages and switches, and the sample wave files made with it at
// build time.
class tst_sim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void preload_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result"); // "index|name|audio bytes", or why it is refused
        const auto row = [](const char *text, const char *result) {
            QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(result);
        };
        row("8:a:b:11025:0.5", "7|a:b             |11026");
        row("2:Main entrance hall:1000:1", "1|Main entrance ha|2000");
        row("1:x:96000:0.001", "0|x               |192");
        // One location less the overhead is 524272 words.
        row("8:x:8000:65.534", "7|x               |1048544");
        row("8:x:8000:65.535", "the tone does not fit between location 8 and location 8");
        row("0:x:8000:1", "the location must be 1 to 8");
        row("9:x:8000:1", "the location must be 1 to 8");
        row("1:x:8000", "expected LOCATION:NAME:RATE:SECONDS");
        row("1:x:999:1", "the rate must be 1000 to 96000 Hz");
        row("1:x:96001:1", "the rate must be 1000 to 96000 Hz");
        row("1:x:8000:0", "the seconds must be a number above 0");
    }
    void preload()
    {
        QFETCH(QString, text);
        QString problem;
        const auto preload = Preload::parse(text, &problem);
        const QString result = preload ? u"%1|%2|%3"_s.arg(preload->location)
                                             .arg(QString::fromLatin1(preload->message.name))
                                             .arg(preload->message.audio.size())
                                       : problem.remove(u"--preload \"%1\": "_s.arg(text));
        QTEST(result, "result");
    }

    // Plain wave files the Update command accepts, named as distinct messages, one of them
    // needing two memory locations; the instructions lie beside them.
    void sampleWavesAreAccepted_data()
    {
        QTest::addColumn<QList<int>>("expected"); // rate, bits, channels, locations
        QTest::newRow("chime-8bit") << QList<int> { 11025, 8, 1, 1 };
        QTest::newRow("chime-16bit") << QList<int> { 11025, 16, 1, 1 };
        QTest::newRow("chime-44khz") << QList<int> { 44100, 16, 1, 1 };
        QTest::newRow("tones-8bit") << QList<int> { 11025, 8, 1, 1 };
        QTest::newRow("tones-16bit") << QList<int> { 11025, 16, 1, 1 };
        QTest::newRow("two-locations") << QList<int> { 22050, 16, 1, 2 };
    }
    void sampleWavesAreAccepted()
    {
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const QDir bin(qEnvironmentVariable("TAVIX_BIN_DIR"));
        QVERIFY2(QFileInfo(bin.filePath(u"help.txt"_s)).size() > 1000, "help.txt is not beside the program");
        QFile file(bin.filePath(u"wavefiles/%1.wav"_s.arg(name)));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const WaveHeaderReading reading = readWaveHeader(file);
        QVERIFY2(reading.outcome == WaveHeaderReading::Outcome::Accepted, qPrintable(reading.message));
        const WaveHeader &h = reading.header;
        double bytes = double(deriveDataSize(h.dataChunkSize, h.channelCount, h.bitsPerSample));
        const int locations = 1 + CountExtraLocations(bytes, LocationBytes);
        QTEST((QList<int> { h.sampleRate, h.bitsPerSample, h.channelCount, locations }), "expected");
        QCOMPARE_GE(h.dataChunkSize / (h.bitsPerSample / 8), h.sampleRate); // a second at least
        QCOMPARE(GetName(file.fileName())->trimmed(), name);
    }

    void badSwitches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("complaint");
        const auto row = [](const char *name, QStringList arguments, const char *complaint) {
            QTest::newRow(name) << arguments << QString::fromLatin1(complaint);
        };
        row("baud 0", { u"--baud"_s, u"0"_s }, "--baud needs a positive whole number, not \"0\"");
        row("negative adapter latency", { u"--adapter-latency-ms"_s, u"-1"_s },
            "--adapter-latency-ms needs a whole number of milliseconds, 0 or more, not \"-1\"");
        row("preload refused", { u"--preload"_s, u"9:x:8000:1"_s },
            "--preload \"9:x:8000:1\": the location must be 1 to 8");
        row("unknown switch", { u"--frobnicate"_s }, "Unknown option 'frobnicate'");
        row("stray argument", { u"extra"_s }, "unexpected argument \"extra\"");
        row("a file where the link goes", { u"--link"_s, m_scratch.filePath(u"com1"_s) }, "not a link");
    }
    void badSwitches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, complaint);
        QFile file(m_scratch.filePath(u"com1"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep me") == 7);
        file.close();
        PtyUnit unit;
        QCOMPARE(unit.start(arguments), PtyUnit::Outcome::Failed);
        QVERIFY2(unit.problem().contains(complaint), qPrintable(unit.problem()));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "keep me" && file.remove());
    }

private:
    QTemporaryDir m_scratch;
};

QTEST_GUILESS_MAIN(tst_sim)
#include "tst_sim.moc"
