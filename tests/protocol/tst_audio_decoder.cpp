#include "support/SoundFiles.h"

#include "protocol/DecodedAudio.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <vector>

using Problem = DecodedAudio::Problem;

namespace {

constexpr qint64 Frames = 30000;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::vector<qint16> words(const QByteArray &bytes)
{
    std::vector<qint16> out(static_cast<size_t>(bytes.size() / 2));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return out;
}

// Everything the device delivers, in reads of an odd size so that words straddle reads.
QByteArray readToEnd(DecodedAudio &audio)
{
    QByteArray all;
    for (;;) {
        const QByteArray part = audio.read(4097);
        if (part.isEmpty())
            return all;
        all += part;
    }
}

// The MPEG-1 layer III frame that begins the file: the encoder's length header, which holds
// the frame count and the encoder's delay and padding.
qsizetype firstMp3FrameBytes(const QByteArray &mp3)
{
    static const int kbps[] = { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 };
    static const int rates[] = { 44100, 48000, 32000 };
    const auto b2 = quint8(mp3.at(2));
    if (quint8(mp3.at(0)) != 0xFF || (quint8(mp3.at(1)) & 0xFE) != 0xFA || (b2 >> 4) == 0
        || (b2 >> 4) == 15 || ((b2 >> 2) & 3) == 3)
        return 0;
    return 144000 * kbps[b2 >> 4] / rates[(b2 >> 2) & 3] + ((b2 >> 1) & 1);
}

} // namespace

class tst_audio_decoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_folder.isValid()); }

    void conversion_data()
    {
        QTest::addColumn<float>("sample");
        QTest::addColumn<int>("word");
        QTest::newRow("zero") << 0.0f << 0;
        QTest::newRow("full scale up") << 1.0f << 32767;
        QTest::newRow("full scale down") << -1.0f << -32768;
        QTest::newRow("overshoot up clips") << 1.04f << 32767;
        QTest::newRow("overshoot down clips") << -1.3f << -32768;
        QTest::newRow("half") << 0.5f << 16384;
        QTest::newRow("half a step rounds to even 0") << 0.5f / 32768 << 0;
        QTest::newRow("one and a half steps round to even 2") << 1.5f / 32768 << 2;
        QTest::newRow("minus two and a half steps round to -2") << -2.5f / 32768 << -2;
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << 32767;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0;
    }
    void conversion()
    {
        QFETCH(float, sample);
        QFETCH(int, word);
        QCOMPARE(int(toSample16(sample)), word);
    }

    // Written by libsndfile, decoded by us: rate, frame count and the first channel, word for
    // word from 16-bit lossless files, within the codec's noise from lossy ones. (The Update
    // command's round trips show that a full-scale file clips rather than wraps.)
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("minimumSnr"); // dB; 0 asks for every word to be exact
        const int flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        const int aiff = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
        const int vorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        const int opus = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        QTest::newRow("flac mono") << "a.flac" << flac << 22050 << 1 << 0.0;
        QTest::newRow("flac stereo") << "b.flac" << flac << 44100 << 2 << 0.0;
        QTest::newRow("aiff stereo") << "b.aiff" << aiff << 44100 << 2 << 0.0;
        QTest::newRow("ogg vorbis stereo") << "b.ogg" << vorbis << 22050 << 2 << 30.0;
        QTest::newRow("opus stereo") << "b.opus" << opus << 48000 << 2 << 30.0;
        QTest::newRow("mp3 stereo") << "b.mp3" << mp3 << 48000 << 2 << 30.0;
        // The content decides, not the name.
        QTest::newRow("flac named .mp3") << "flac.mp3" << flac << 44100 << 2 << 0.0;
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, minimumSnr);
        const QString path = m_folder.filePath(name);
        const std::vector<qint16> written = tones(Frames, rate, channels, 0.5);
        const QString writing = writeSound(path, format, rate, channels, written);
        QVERIFY2(writing.isEmpty(), qPrintable(writing));

        DecodedAudio audio(path);
        QVERIFY2(audio.open(QIODevice::ReadOnly), qPrintable(audio.errorString()));
        QCOMPARE(audio.sampleRate(), rate);
        QCOMPARE(audio.fileChannels(), channels);
        QCOMPARE(audio.frames(), Frames);
        QCOMPARE(audio.size(), Frames * 2);
        const WaveHeaderReading reading = audio.waveHeader();
        QCOMPARE(reading.outcome, WaveHeaderReading::Outcome::Accepted);
        QCOMPARE(reading.header.channelCount, quint8(1));
        QCOMPARE(reading.header.bitsPerSample, quint8(16));
        QCOMPARE(reading.header.sampleRate, rate);
        QCOMPARE(reading.header.sampleRateBytes[1], quint8(rate >> 8));
        QCOMPARE(reading.header.dataChunkSize, qint32(Frames * 2));
        QCOMPARE(reading.header.dataOffset, qint64(0));

        const QByteArray bytes = readToEnd(audio);
        QCOMPARE(qint64(bytes.size()), Frames * 2);
        const std::vector<qint16> decoded = words(bytes);
        double signal = 0;
        double noise = 0;
        for (qint64 i = 0; i < Frames; ++i) {
            const int expected = written[static_cast<size_t>(i * channels)];
            const int got = decoded[static_cast<size_t>(i)];
            if (minimumSnr == 0 && got != expected)
                QFAIL(qPrintable(
                    QStringLiteral("frame %1: %2, written %3").arg(i).arg(got).arg(expected)));
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

    // The encoder's length header gone, the MP3 decoder has only a guess from the file's size
    // at this bit rate; the sound is counted and delivered to its true end all the same
    // (longer than written, by the encoder's delay and padding that the header told).
    void mp3WithoutLengthHeader()
    {
        const QString path = m_folder.filePath(QStringLiteral("bare.mp3"));
        const QString writing = writeSound(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100,
            2, tones(Frames, 44100, 2, 0.5));
        QVERIFY2(writing.isEmpty(), qPrintable(writing));
        QByteArray mp3 = fileBytes(path);
        const qsizetype first = firstMp3FrameBytes(mp3);
        QVERIFY(first > 0);
        QVERIFY(mp3.left(first).contains("Xing") || mp3.left(first).contains("Info"));
        putBytes(path, mp3.mid(first));

        DecodedAudio audio(path);
        QVERIFY2(audio.open(QIODevice::ReadOnly), qPrintable(audio.errorString()));
        QVERIFY2(audio.frames() >= Frames, qPrintable(QString::number(audio.frames())));
        QVERIFY(audio.frames() < Frames + 4 * 1152);
        QCOMPARE(qint64(readToEnd(audio).size()), audio.size());
    }

    // Nothing is delivered from a file that does not decode to its end, and the reason is told.
    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<Problem>("problem");
        const int flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        const int aiff = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
        const int vorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        const int opus = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        QTest::newRow("flac garbage") << "g.flac" << flac << "garbage" << Problem::NotSound;
        QTest::newRow("ogg garbage") << "g.ogg" << vorbis << "garbage" << Problem::NotSound;
        QTest::newRow("opus garbage") << "g.opus" << opus << "garbage" << Problem::NotSound;
        QTest::newRow("mp3 garbage") << "g.mp3" << mp3 << "garbage" << Problem::NotSound;
        QTest::newRow("aiff garbage") << "g.aiff" << aiff << "garbage" << Problem::NotSound;
        QTest::newRow("aiff cut in its header") << "t.aiff" << aiff << "header" << Problem::Damaged;
        QTest::newRow("mp3 garbled in the middle")
            << "m.mp3" << mp3 << "middle" << Problem::Damaged;
        QTest::newRow("text file") << "notes.txt" << 0 << "text" << Problem::NotSound;
        QTest::newRow("empty file") << "empty.flac" << 0 << "empty" << Problem::NotSound;
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        QFETCH(QString, damage);
        QFETCH(Problem, problem);
        const QString path = m_folder.filePath(name);
        if (format != 0) {
            const QString writing
                = writeSound(path, format, 48000, 2, tones(Frames, 48000, 2, 0.5));
            QVERIFY2(writing.isEmpty(), qPrintable(writing));
        }
        QByteArray bytes = fileBytes(path);
        QRandomGenerator random(12);
        if (damage == QStringLiteral("garbage")) {
            for (char &byte : bytes)
                byte = char(random.bounded(256));
        } else if (damage == QStringLiteral("header")) {
            bytes.truncate(30);
        } else if (damage == QStringLiteral("middle")) {
            for (qsizetype i = bytes.size() / 3; i < 2 * bytes.size() / 3; ++i)
                bytes[i] = char(random.bounded(256));
        } else if (damage == QStringLiteral("text")) {
            bytes = "Lobby announcement, to be recorded on Monday.\n";
        }
        putBytes(path, bytes);

        DecodedAudio audio(path);
        QVERIFY(!audio.open(QIODevice::ReadOnly));
        QCOMPARE(audio.problem(), problem);
        QVERIFY(!audio.isOpen());
        QCOMPARE(audio.size(), 0);
        const WaveHeaderReading reading = audio.waveHeader();
        QCOMPARE(reading.outcome, WaveHeaderReading::Outcome::Refused);
        QVERIFY(!reading.message.isEmpty());
        QCOMPARE(reading.message, audio.errorString());
        qInfo("%s", qPrintable(reading.message));
    }

private:
    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(tst_audio_decoder)
#include "tst_audio_decoder.moc"
