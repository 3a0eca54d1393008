#include "WaveFile.h"
#include "app/Declarations.h"
#include "upload/OverflowTexts.h"
#include "upload/UploadSizes.h"
#include "upload/UploadWire.h"
#include "upload/WaveHeader.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

using Outcome = WaveHeaderReading::Outcome;

namespace {

WaveHeaderReading readBytes(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readWaveHeader(buffer);
}

WaveFile mono16(int bytes = 100)
{
    WaveFile wave;
    wave.data = QByteArray(bytes, '\x11');
    return wave;
}

} // namespace

// The pure rules of an upload: header checks, sizes, names, halvings, the overflow dialog's
// texts, sample conversion and the bytes of header and blocks.
class tst_upload_rules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        const auto refused = static_cast<int>(Outcome::Refused);

        QByteArray notRiff = mono16().bytes();
        notRiff.replace(0, 4, "RIFX");
        QTest::newRow("not RIFF") << notRiff << refused << QStringLiteral("Not a RIFF File");
        QByteArray notWave = mono16().bytes();
        notWave.replace(8, 4, "AVI ");
        QTest::newRow("not WAVE") << notWave << refused << QStringLiteral("Not a WAVE File");
        WaveFile beforeFmt = mono16();
        beforeFmt.chunksBeforeFmt.append({ "JUNK", QByteArray(4, '\0') });
        QTest::newRow("chunk before fmt")
            << beforeFmt.bytes() << refused << QStringLiteral("Not an fmt file!");
        WaveFile float32 = mono16();
        float32.formatTag = 3;
        float32.channels = 9;
        QTest::newRow("format 3 before a bad channel count")
            << float32.bytes() << refused << QStringLiteral("Audio Format = Compressed!");
        for (int channels : { 0, 9, 257 }) {
            WaveFile wave = mono16();
            wave.channels = static_cast<quint16>(channels);
            QTest::addRow("%d channels", channels)
                << wave.bytes() << refused << QStringLiteral("Audio File has bad channel amount1");
        }
        WaveFile bits24 = mono16();
        bits24.bitsPerSample = 24;
        QTest::newRow("24-bit") << bits24.bytes() << refused
                                << QStringLiteral("Not a 16 or 8 bit sample!");
        WaveFile bits272 = mono16();
        bits272.bitsPerSample = 0x110;
        QTest::newRow("bits 272 (low byte 16)")
            << bits272.bytes() << refused << QStringLiteral("Not a 16 or 8 bit sample!");
        WaveFile extensibleFloat = mono16();
        extensibleFloat.formatTag = 0xFFFE;
        extensibleFloat.subFormat = 3;
        QTest::newRow("extensible, float sub-format")
            << extensibleFloat.bytes() << refused << QStringLiteral("Audio Format = Compressed!");
        QByteArray noData = mono16().bytes().left(36);
        QTest::newRow("no data chunk")
            << noData << refused << QStringLiteral("No audio data in this file!");
        WaveFile listOnly = mono16();
        listOnly.chunksBeforeData.append({ "LIST", QByteArray(30, 'x') });
        QTest::newRow("chunk size runs past the end") << listOnly.bytes().left(
            36 + 8 + 10) << refused << QStringLiteral("No audio data in this file!");
        QTest::newRow("only RIFF")
            << QByteArray("RIFF") << refused << QStringLiteral("Not a WAVE File");
        QTest::newRow("empty file") << QByteArray() << refused << QStringLiteral("Not a RIFF File");

        QByteArray hugeFmt = mono16().bytes();
        hugeFmt.replace(16, 4, QByteArray::fromHex("00800000")); // 32768
        QTest::newRow("fmt size 32768 does not fit")
            << hugeFmt << static_cast<int>(Outcome::Broken) << QString();
        WaveFile fastRate = mono16();
        fastRate.sampleRate = 0x80000000u;
        QTest::newRow("rate above 2^31-1")
            << fastRate.bytes() << static_cast<int>(Outcome::Broken) << QString();
        WaveFile hugeData = mono16();
        hugeData.declaredDataSize = 0x80000000u;
        QTest::newRow("data size above 2^31-1")
            << hugeData.bytes() << static_cast<int>(Outcome::Broken) << QString();
    }
    void refusedHeaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        const WaveHeaderReading reading = readBytes(file);
        QCOMPARE(static_cast<int>(reading.outcome), outcome);
        QCOMPARE(reading.message, message);
    }

    void acceptedHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("fmtChunkLength");
        QTest::addColumn<qint64>("dataOffset");
        QTest::addColumn<int>("dataChunkSize");
        QTest::addColumn<int>("channels");

        QTest::newRow("plain 16-byte fmt") << mono16(100).bytes() << 16 << qint64(44) << 100 << 1;
        WaveFile fmt18 = mono16(100);
        fmt18.fmtExtra = QByteArray(2, '\0');
        QTest::newRow("18-byte fmt: 46 bytes skipped")
            << fmt18.bytes() << 18 << qint64(46) << 100 << 1;
        WaveFile fact = mono16(100);
        fact.chunksBeforeData.append({ "fact", QByteArray(4, '\x05') });
        QTest::newRow("fact chunk: 56 bytes skipped")
            << fact.bytes() << 28 << qint64(56) << 100 << 1;
        WaveFile list = mono16(100);
        list.chunksBeforeData.append({ "LIST", QByteArray(57, 'i') }); // odd: one pad byte
        QTest::newRow("odd LIST chunk, padded")
            << list.bytes() << 16 + 8 + 58 << qint64(44 + 66) << 100 << 1;
        WaveFile several = mono16(100);
        several.chunksBeforeData.append({ "fact", QByteArray(4, '\0') });
        several.chunksBeforeData.append({ "LIST", QByteArray(1000, 'i') });
        several.chunksBeforeData.append({ "cue ", QByteArray(3, 'c') });
        QTest::newRow("fact, LIST and cue") << several.bytes() << 16 + 12 + 1008 + 12
                                            << qint64(28 + 16 + 12 + 1008 + 12) << 100 << 1;
        WaveFile extensible = mono16(600);
        extensible.formatTag = 0xFFFE;
        extensible.channels = 3;
        QTest::newRow("extensible PCM, 3 channels")
            << extensible.bytes() << 40 << qint64(68) << 600 << 3;
        WaveFile truncated = mono16(100);
        truncated.declaredDataSize = 5000;
        QTest::newRow("truncated data chunk") << truncated.bytes() << 16 << qint64(44) << 5000 << 1;
    }
    void acceptedHeaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, fmtChunkLength);
        QFETCH(qint64, dataOffset);
        QFETCH(int, dataChunkSize);
        QFETCH(int, channels);
        const WaveHeaderReading reading = readBytes(file);
        QCOMPARE(static_cast<int>(reading.outcome), static_cast<int>(Outcome::Accepted));
        QCOMPARE(reading.header.fmtChunkLength, fmtChunkLength);
        QCOMPARE(reading.header.dataOffset, dataOffset);
        QCOMPARE(reading.header.dataOffset, qint64(fmtChunkLength) + 28);
        QCOMPARE(reading.header.dataChunkSize, dataChunkSize);
        QCOMPARE(int(reading.header.channelCount), channels);
        QCOMPARE(reading.header.sampleRate, 8000);
        QCOMPARE(file.mid(int(dataOffset) - 8, 4), QByteArray("data"));
    }

    void derivedSizes_data()
    {
        QTest::addColumn<qint64>("chunk");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<qint64>("dataSize");
        QTest::addColumn<int>("extra");
        QTest::newRow("16-bit mono 1,048,544")
            << qint64(1048544) << 1 << 16 << qint64(1048544) << 0;
        QTest::newRow("16-bit mono 1,048,546")
            << qint64(1048546) << 1 << 16 << qint64(1048546) << 1;
        QTest::newRow("8-bit mono 524,272") << qint64(524272) << 1 << 8 << qint64(1048544) << 0;
        QTest::newRow("16-bit stereo 2,000,000")
            << qint64(2000000) << 2 << 16 << qint64(1000000) << 0;
        QTest::newRow("8-bit stereo 1,000,000")
            << qint64(1000000) << 2 << 8 << qint64(1000000) << 0;
        // Whole words: a partial frame is not sent, so it is not announced either.
        QTest::newRow("16-bit 3 channels 1,000,001")
            << qint64(1000001) << 3 << 16 << qint64(333332) << 0;
        QTest::newRow("8-bit 3 channels 1,000,001")
            << qint64(1000001) << 3 << 8 << qint64(666666) << 0;
        QTest::newRow("16-bit mono, odd chunk") << qint64(1001) << 1 << 16 << qint64(1000) << 0;
        QTest::newRow("8-bit mono 2^31-1 overflows 32 bits")
            << qint64(2147483647) << 1 << 8 << qint64(4294967294) << 4096;
    }
    void derivedSizes()
    {
        QFETCH(qint64, chunk);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(qint64, dataSize);
        QFETCH(int, extra);
        QCOMPARE(deriveDataSize(chunk, channels, bits), dataSize);
        double copy = static_cast<double>(dataSize);
        QCOMPARE(CountExtraLocations(copy, 1048576), extra);
    }

    void getName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("backslashes") << QStringLiteral("C:\\Sounds\\Lobby.wav")
                                     << QStringLiteral("Lobby           ") << true;
        QTest::newRow("slashes") << QStringLiteral("/home/u/wavefiles/Lobby.wav")
                                 << QStringLiteral("Lobby           ") << true;
        QTest::newRow("long name cut") << QStringLiteral("C:\\x\\Announcement_Lobby_Morning.wav")
                                       << QStringLiteral("Announcement_Lob") << true;
        QTest::newRow("exactly 16") << QStringLiteral("/a/0123456789abcdef.wav")
                                    << QStringLiteral("0123456789abcdef") << true;
        QTest::newRow("first .wav counts")
            << QStringLiteral("/a/chime.wav.wav") << QStringLiteral("chime           ") << true;
        QTest::newRow("upper-case .WAV")
            << QStringLiteral("C:\\Sounds\\LOBBY.WAV") << QString() << false;
        QTest::newRow("no extension") << QStringLiteral("/a/lobby") << QString() << false;
    }
    void getName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, found);
        const auto result = GetName(path);
        QCOMPARE(result.has_value(), found);
        if (found) {
            QCOMPARE(*result, name);
            QCOMPARE(result->size(), 16);
        }
    }

    void countExtraLocations_data()
    {
        QTest::addColumn<double>("count");
        QTest::addColumn<int>("extra");
        QTest::newRow("1,048,544") << 1048544.0 << 0;
        QTest::newRow("1,048,545") << 1048545.0 << 1;
        QTest::newRow("2,097,120") << 2097120.0 << 1;
        QTest::newRow("2,097,121") << 2097121.0 << 2;
        QTest::newRow("half a byte over") << 1048544.5 << 1;
        QTest::newRow("zero") << 0.0 << 0;
    }
    void countExtraLocations()
    {
        QFETCH(double, count);
        QFETCH(int, extra);
        double copy = count;
        QCOMPARE(CountExtraLocations(copy, 1048576), extra);
        if (extra == 0)
            QCOMPARE(copy, count + 32); // the caller's variable carries the overhead
    }

    void halveSampleRate_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("halvedRate");
        QTest::addColumn<int>("halvedSize");
        QTest::addColumn<int>("extra");
        QTest::newRow("11,025 Hz") << 11025 << 1000 << 5512 << 500 << 0;
        QTest::newRow("odd size 1,000,001") << 44100 << 1000001 << 22050 << 500000 << 0;
        QTest::newRow("odd word count 1,000,002") << 44100 << 1000002 << 22050 << 500000 << 0;
        QTest::newRow("3,000,000 over two locations") << 44100 << 3000000 << 22050 << 1500000 << 1;
        QTest::newRow("6,000,000") << 96000 << 6000000 << 48000 << 3000000 << 2;
    }
    void halveSampleRate()
    {
        QFETCH(int, rate);
        QFETCH(int, size);
        QFETCH(int, halvedRate);
        QFETCH(int, halvedSize);
        QFETCH(int, extra);
        modDeclarations decl;
        decl.SampleRate = rate;
        setDataSize(decl, size);
        QVERIFY(HalveSampleRate(decl));
        QCOMPARE(decl.SampleRate, halvedRate);
        QCOMPARE(decl.DataSize, halvedSize);
        QCOMPARE(int(decl.ExtraLocations), extra);
        QCOMPARE(decl.SampleRateBytes, littleEndianBytes(halvedRate));
        QCOMPARE(decl.DataSizeBytes, littleEndianBytes(halvedSize));
        QCOMPARE(decl.DataSize % 2, 0);
    }

    void overflowTexts_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("description"); // empty: Proceed hidden
        QTest::addColumn<QString>("convert"); // empty: Down Sample hidden
        const QString one
            = QStringLiteral("This file can be converted to fit into 1 memory location");
        const auto fill = [](int n) {
            return QStringLiteral("This wave file is large and will fill %1 memory locations")
                .arg(n);
        };
        const auto into = [](int n) {
            return QStringLiteral("This file can be converted to fit into %1 memory locations")
                .arg(n);
        };
        QTest::newRow("22,050 Hz 1,500,000 at 0, after the automatic halving")
            << 1500000 << 22050 << 0 << fill(2) << one;
        QTest::newRow("22,050 Hz 1,500,000 at 7: no Proceed")
            << 1500000 << 22050 << 7 << QString() << one;
        QTest::newRow("22,050 Hz 2,500,000 at 0") << 2500000 << 22050 << 0 << fill(3) << into(2);
        QTest::newRow("8,000 Hz 1,200,000 at 6: no Down Sample")
            << 1200000 << 8000 << 6 << fill(2) << QString();
        QTest::newRow("17,000 Hz: no Down Sample") << 1200000 << 17000 << 0 << fill(2) << QString();
        QTest::newRow("33,000 Hz 1,500,000 halves once") << 1500000 << 33000 << 0 << fill(2) << one;
        QTest::newRow("48,000 Hz 3,000,000 estimates a quarter")
            << 3000000 << 48000 << 0 << fill(3) << one;
        QTest::newRow("fills exactly the rest at 6")
            << 2097120 << 8000 << 6 << fill(2) << QString();
        QTest::newRow("one byte over the rest at 6")
            << 2097121 << 8000 << 6 << QString() << QString();
    }
    void overflowTexts()
    {
        QFETCH(int, size);
        QFETCH(int, rate);
        QFETCH(int, location);
        QFETCH(QString, description);
        QFETCH(QString, convert);
        const OverflowTexts texts = ::overflowTexts(size, rate, location, 1048576);
        QCOMPARE(texts.proceedShown, !description.isEmpty());
        QCOMPARE(texts.description, description);
        QCOMPARE(texts.convertShown, !convert.isEmpty());
        QCOMPARE(texts.convert, convert);
    }

    void downSample_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("halvedSize");
        QTest::addColumn<int>("halvedRate");
        QTest::newRow("1,500,000 fits one")
            << 1500000 << 22050 << QStringLiteral("Convert") << 750000 << 11025;
        QTest::newRow("2,500,000 needs two")
            << 2500000 << 22050 << QStringLiteral("Proceed") << 1250000 << 11025;
        QTest::newRow("3,000,000 at 48 kHz needs two")
            << 3000000 << 48000 << QStringLiteral("Proceed") << 1500000 << 24000;
        QTest::newRow("33,000 Hz to 16,500")
            << 1500000 << 33000 << QStringLiteral("Convert") << 750000 << 16500;
    }
    void downSample()
    {
        QFETCH(int, size);
        QFETCH(int, rate);
        QFETCH(QString, choice);
        QFETCH(int, halvedSize);
        QFETCH(int, halvedRate);
        modDeclarations decl;
        decl.SampleRate = rate;
        decl.ReduceSteps = 1;
        setDataSize(decl, size);
        decl.OverflowChoice = QStringLiteral("Wait");
        chooseDownSample(decl);
        QCOMPARE(decl.OverflowChoice, choice);
        QCOMPARE(decl.DataSize, halvedSize);
        QCOMPARE(decl.SampleRate, halvedRate);
        QCOMPARE(int(decl.ReduceSteps), 2);
    }

    void sampleSkip_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("skip");
        for (int steps = 0; steps <= 2; ++steps)
            for (int bits : { 8, 16 })
                for (int ch = 1; ch <= 8; ++ch)
                    QTest::addRow("%d halvings, %d-bit, %d ch", steps, bits, ch)
                        << steps << bits << ch << ((1 << steps) * ch * (bits / 8) - bits / 8);
        QTest::newRow("16-bit stereo halved: 6") << 1 << 16 << 2 << 6;
        QTest::newRow("3 halvings: outside the table") << 3 << 16 << 2 << 0;
        QTest::newRow("24-bit: outside the table") << 0 << 24 << 2 << 0;
    }
    void sampleSkip()
    {
        QFETCH(int, steps);
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, skip);
        QCOMPARE(int(SampleSkip(steps, bits, channels)), skip);
    }

    void conversion16_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::newRow("most negative") << -32768 << 0 << 0;
        QTest::newRow("zero") << 0 << 128 << 0;
        QTest::newRow("most positive") << 32767 << 255 << 255;
        QTest::newRow("-1") << -1 << 127 << 255;
        QTest::newRow("0x1234") << 0x1234 << 0x92 << 0x34;
    }
    void conversion16()
    {
        QFETCH(int, sample);
        QFETCH(int, high);
        QFETCH(int, low);
        const auto bits = static_cast<quint16>(static_cast<qint16>(sample));
        const SampleWord word
            = convertSample16(static_cast<quint8>(bits), static_cast<quint8>(bits >> 8));
        QCOMPARE(int(word.high), high);
        QCOMPARE(int(word.low), low);
    }

    void conversion8LowByteNeverZero()
    {
        QRandomGenerator random(7);
        QSet<int> lows;
        for (int i = 0; i < 200000; ++i) {
            const SampleWord word = convertSample8(static_cast<quint8>(i), random);
            QCOMPARE(int(word.high), i % 256);
            QVERIFY(word.low >= 1);
            lows.insert(word.low);
        }
        QCOMPARE(lows.size(), 255); // 1 to 255, each drawn
    }

    void framing_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("countByte");
        QTest::newRow("first block 224") << 224 << 224;
        QTest::newRow("full block 256 counts 0") << 256 << 0;
        QTest::newRow("final 100") << 100 << 100;
        QTest::newRow("final 2") << 2 << 2;
    }
    void framing()
    {
        QFETCH(int, bytes);
        QFETCH(int, countByte);
        const QByteArray data(bytes, '\x5a');
        const QByteArray block = frameBlock(data);
        QCOMPARE(block.size(), bytes + 1);
        QCOMPARE(int(static_cast<quint8>(block.at(0))), countByte);
        QCOMPARE(block.mid(1), data);
    }

    void uploadHeaderLayout()
    {
        const QByteArray header = UploadHeader(QByteArrayLiteral("Lobby           "),
            littleEndianBytes(22050), littleEndianBytes(1500000));
        QCOMPARE(header.size(), 31);
        QCOMPARE(header,
            QByteArray("Lobby           ") + QByteArray::fromHex("22560000") + "stop"
                + QByteArray::fromHex("60e31600") + QByteArray(2, '\0') + '\r');
    }
};

QTEST_GUILESS_MAIN(tst_upload_rules)
#include "tst_upload_rules.moc"
