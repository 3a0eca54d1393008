#include "support/SoundFiles.h"

#include "protocol/DecodedAudio.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

constexpr qint64 Frames = 30000;

} // namespace

class tst_audio_decoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Times 32768, rounded with halves to even, held to 16 bits; not a number is 0.
    void conversion()
    {
        const struct {
            float sample;
            int word;
        } cases[] = { { 0, 0 }, { 1, 32767 }, { -1, -32768 }, { 1.04f, 32767 }, { -1.3f, -32768 },
            { 0.5f, 16384 }, { 0.5f / 32768, 0 }, { 1.5f / 32768, 2 }, { -2.5f / 32768, -2 },
            { std::numeric_limits<float>::infinity(), 32767 },
            { std::numeric_limits<float>::quiet_NaN(), 0 } };
        for (const auto &c : cases)
            QCOMPARE(QString::number(toSample16(c.sample)), QString::number(c.word));
    }

    // Written by libsndfile, decoded by us: rate, frame count and the first channel, word for
    // word from lossless files, within the codec's noise from lossy ones and 8-bit ones.
    void roundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("minimumSnr"); // dB; 0 asks for every word to be exact
        const auto row = [](const char *name, int format, int rate, int channels, double snr) {
            QTest::newRow(name) << format << rate << channels << snr;
        };
        row("mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 1, 0);
        row("24-bit.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 2, 0);
        row("8-bit.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 8000, 2, 30);
        row("32-bit.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_32, 44100, 3, 0);
        row("float.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 44100, 2, 0);
        row("stereo.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 2, 30);
        row("stereo.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, 30);
        row("stereo.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 48000, 2, 30);
        // The content decides, not the name.
        row("flac.mp3", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0);
    }
    void roundTrip()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, minimumSnr);
        const QString path = m_folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const std::vector<qint16> written = tones(Frames, rate, channels, 0.5);
        const QString writing = writeSound(path, format, rate, channels, written);
        QVERIFY2(writing.isEmpty(), qPrintable(writing));

        DecodedAudio audio(path);
        QVERIFY2(audio.open(QIODevice::ReadOnly), qPrintable(audio.errorString()));
        QCOMPARE(audio.fileChannels(), channels);
        QCOMPARE(audio.size(), Frames * 2);
        const WaveHeaderReading reading = audio.waveHeader();
        const WaveHeader &h = reading.header;
        QCOMPARE(reading.outcome, WaveHeaderReading::Outcome::Accepted);
        // A mono 16-bit data chunk at offset 0.
        QCOMPARE(QList<int>({ h.channelCount, h.bitsPerSample, h.sampleRate, h.sampleRateBytes[1],
                     h.dataChunkSize, int(h.dataOffset) }),
            QList<int>({ 1, 16, rate, rate >> 8, int(Frames * 2), 0 }));

        QByteArray bytes; // in reads of an odd size, so that words straddle reads
        for (QByteArray part; !(part = audio.read(4097)).isEmpty();)
            bytes += part;
        QCOMPARE(qint64(bytes.size()), Frames * 2);
        double signal = 0;
        double noise = 0;
        for (qint64 i = 0; i < Frames; ++i) {
            const int expected = written[size_t(i * channels)];
            const int got = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
            if (minimumSnr == 0)
                QCOMPARE(got, expected);
            signal += double(expected) * expected;
            noise += double(got - expected) * (got - expected);
        }
        const double snr = noise == 0 ? 999 : 10 * std::log10(signal / noise);
        QVERIFY2(snr >= minimumSnr, qPrintable(QStringLiteral("%1 dB").arg(snr)));

        // Seeking back to an odd byte starts the decoding over and lands on the same bytes.
        QVERIFY(audio.seek(2 * 12345 + 1));
        QCOMPARE(audio.read(9), bytes.mid(2 * 12345 + 1, 9));
        QVERIFY(audio.seek(audio.size() - 3));
        QCOMPARE(audio.read(10), bytes.right(3));
    }

    // Nothing is delivered from a file that does not decode to its end, and the reason is told.
    void refused_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message"); // how it begins; the rest is the library's
        const auto row = [](const char *name, int format, const char *damage, const char *text) {
            QTest::newRow(name) << format << QString::fromLatin1(damage)
                                << QString::fromLatin1(text);
        };
        const char *notSound = "The file is not a sound file of a kind the program reads.";
        row("garbage.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "garbage", notSound);
        row("empty.flac", 0, "", notSound);
        row("header.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "header",
            "The file cannot be decoded: ");
        row("half.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "half",
            "The file is damaged: its sound ends before the length its header gives.");
        row("half.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, "half",
            "The file is damaged: its end is missing.");
        row("middle.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, "middle",
            "The file is damaged: ");
    }
    void refused()
    {
        QFETCH(int, format);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString path = m_folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QFile file(path);
        QByteArray bytes = damage.toLatin1();
        if (format != 0) {
            QVERIFY(writeSound(path, format, 48000, 2, tones(Frames, 48000, 2, 0.5)).isEmpty());
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes = file.readAll();
            file.close();
        }
        QRandomGenerator random(12);
        const qsizetype third = bytes.size() / 3;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            if (damage == u"garbage" || (damage == u"middle" && i >= third && i < 2 * third))
                bytes[i] = char(random.bounded(256));
        if (damage == u"header" || damage == u"half")
            bytes.truncate(damage == u"header" ? 30 : bytes.size() / 2);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) >= 0);
        file.close();

        DecodedAudio audio(path);
        QVERIFY(!audio.open(QIODevice::ReadOnly));
        QVERIFY(!audio.isOpen());
        QCOMPARE(audio.size(), 0);
        QVERIFY2(audio.errorString().startsWith(message), qPrintable(audio.errorString()));
        const WaveHeaderReading reading = audio.waveHeader();
        QCOMPARE(reading.outcome, WaveHeaderReading::Outcome::Refused);
        QCOMPARE(reading.message, audio.errorString());
    }

private:
    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(tst_audio_decoder)
#include "tst_audio_decoder.moc"
