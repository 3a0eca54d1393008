#include "WaveFile.h"
#include "settings/Declarations.h"
#include "commands/OverflowTexts.h"
#include "protocol/SoundFile.h"
#include "protocol/UploadPlan.h"
#include "protocol/UploadSizes.h"
#include "protocol/UploadWire.h"
#include "protocol/WaveHeader.h"

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

// The pure rules of an upload: header checks, sizes, names, halvings, where a message goes and
// what it overwrites, the overflow dialog's texts, sample conversion and the bytes of header and
// blocks.
class tst_upload_rules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        const auto refused = [](const char *name, const QByteArray &file, const char *message) {
            QTest::newRow(name) << file << int(Outcome::Refused) << QString::fromLatin1(message);
        };
        const auto broken = [](const char *name, const QByteArray &file) {
            QTest::newRow(name) << file << int(Outcome::Broken) << QString();
        };
        const auto changed = [](qsizetype at, const QByteArray &bytes) {
            return mono16().bytes().replace(at, bytes.size(), bytes);
        };
        const auto with = [](auto change) {
            WaveFile wave = mono16();
            change(wave);
            return wave.bytes();
        };
        refused("not RIFF", changed(0, "RIFX"), "Not a RIFF File");
        refused("not WAVE", changed(8, "AVI "), "Not a WAVE File");
        refused("chunk before fmt",
            with([](WaveFile &w) { w.chunksBeforeFmt.append({ "JUNK", QByteArray(4, '\0') }); }),
            "Not an fmt file!");
        refused("format 3 before a bad channel count", with([](WaveFile &w) {
            w.formatTag = 3;
            w.channels = 9;
        }),
            "Audio Format = Compressed!");
        for (quint16 channels : { 0, 9, 257 })
            refused(QByteArray::number(channels).append(" channels").constData(),
                with([channels](WaveFile &w) { w.channels = channels; }),
                "Audio File has bad channel amount1");
        refused("24-bit", with([](WaveFile &w) { w.bitsPerSample = 24; }),
            "Not a 16 or 8 bit sample!");
        refused("bits 272 (low byte 16)", with([](WaveFile &w) { w.bitsPerSample = 0x110; }),
            "Not a 16 or 8 bit sample!");
        refused("extensible, float sub-format", with([](WaveFile &w) {
            w.formatTag = 0xFFFE;
            w.subFormat = 3;
        }),
            "Audio Format = Compressed!");
        refused("no data chunk", mono16().bytes().left(36), "No audio data in this file!");
        // A file that ends inside its header: one text, whichever field the end falls in.
        const char *cutShort = "File is damaged or cut short!";
        refused("chunk size runs past the end",
            with([](WaveFile &w) { w.chunksBeforeData.append({ "LIST", QByteArray(30, 'x') }); })
                .left(36 + 8 + 10),
            cutShort);
        for (int length : { 0, 3, 4, 11, 18, 21, 26, 30, 35, 38, 43 })
            refused(QByteArray("cut at ").append(QByteArray::number(length)).constData(),
                mono16().bytes().left(length), cutShort);
        refused("extensible, cut in its extension",
            with([](WaveFile &w) { w.formatTag = 0xFFFE; }).left(50), cutShort);
        refused("sample rate 0", with([](WaveFile &w) { w.sampleRate = 0; }),
            "Audio File has a sample rate of 0 Hz!");
        refused("empty data chunk", mono16(0).bytes(), "No audio data in this file!");
        refused("data chunk shorter than one stereo frame",
            with([](WaveFile &w) { w.channels = 2; }).left(40).append("\x02\0\0\0\x11\x11", 6),
            "No audio data in this file!");
        broken("fmt size 32768 does not fit", changed(16, QByteArray::fromHex("00800000")));
        broken("rate above 2^31-1", with([](WaveFile &w) { w.sampleRate = 0x80000000u; }));
        broken("data size above 2^31-1",
            with([](WaveFile &w) { w.declaredDataSize = 0x80000000u; }));
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
        QTest::addColumn<int>("fmtChunkLength"); // what lies between "fmt " and "data"
        QTest::addColumn<int>("dataChunkSize");
        QTest::addColumn<int>("channels");
        const auto with = [](int bytes, auto change) {
            WaveFile wave = mono16(bytes);
            change(wave);
            return wave.bytes();
        };
        QTest::newRow("plain 16-byte fmt") << mono16(100).bytes() << 16 << 100 << 1;
        QTest::newRow("18-byte fmt")
            << with(100, [](WaveFile &w) { w.fmtExtra = QByteArray(2, '\0'); }) << 18 << 100 << 1;
        QTest::newRow("fact chunk") << with(100, [](WaveFile &w) {
            w.chunksBeforeData.append({ "fact", QByteArray(4, '\x05') });
        }) << 28 << 100 << 1;
        // Odd sizes carry one pad byte.
        QTest::newRow("odd LIST chunk, padded") << with(100, [](WaveFile &w) {
            w.chunksBeforeData.append({ "LIST", QByteArray(57, 'i') });
        }) << 16 + 8 + 58 << 100 << 1;
        QTest::newRow("fact, LIST and cue") << with(100, [](WaveFile &w) {
            w.chunksBeforeData.append({ "fact", QByteArray(4, '\0') });
            w.chunksBeforeData.append({ "LIST", QByteArray(1000, 'i') });
            w.chunksBeforeData.append({ "cue ", QByteArray(3, 'c') });
        }) << 16 + 12 + 1008 + 12 << 100 << 1;
        QTest::newRow("extensible PCM, 3 channels") << with(600, [](WaveFile &w) {
            w.formatTag = 0xFFFE;
            w.channels = 3;
        }) << 40 << 600 << 3;
        QTest::newRow("8 channels") << with(160, [](WaveFile &w) { w.channels = 8; }) << 16 << 160
                                    << 8;
        QTest::newRow("truncated data chunk")
            << with(100, [](WaveFile &w) { w.declaredDataSize = 5000; }) << 16 << 5000 << 1;
    }
    void acceptedHeaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, fmtChunkLength);
        QFETCH(int, dataChunkSize);
        QFETCH(int, channels);
        const WaveHeaderReading reading = readBytes(file);
        QCOMPARE(int(reading.outcome), int(Outcome::Accepted));
        QCOMPARE(reading.header.fmtChunkLength, fmtChunkLength);
        QCOMPARE(reading.header.dataOffset, qint64(fmtChunkLength) + 28);
        QCOMPARE(file.mid(reading.header.dataOffset - 8, 4), QByteArray("data"));
        QCOMPARE(reading.header.dataChunkSize, dataChunkSize);
        QCOMPARE(int(reading.header.channelCount), channels);
        QCOMPARE(reading.header.sampleRate, 8000);
    }

    void derivedSizes_data()
    {
        QTest::addColumn<qint64>("chunk");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<qint64>("dataSize");
        const auto row = [](const char *name, qint64 chunk, int channels, int bits, qint64 size) {
            QTest::newRow(name) << chunk << channels << bits << size;
        };
        row("16-bit mono 1,048,546", 1048546, 1, 16, 1048546);
        row("8-bit mono 524,272", 524272, 1, 8, 1048544);
        row("16-bit stereo 2,000,000", 2000000, 2, 16, 1000000);
        row("8-bit stereo 1,000,000", 1000000, 2, 8, 1000000);
        // Whole words: a partial frame is not sent, so it is not announced either.
        row("16-bit 3 channels 1,000,001", 1000001, 3, 16, 333332);
        row("8-bit 3 channels 1,000,001", 1000001, 3, 8, 666666);
        row("16-bit mono, odd chunk", 1001, 1, 16, 1000);
        row("8-bit mono 2^31-1 overflows 32 bits", 2147483647, 1, 8, 4294967294);
    }
    void derivedSizes()
    {
        QFETCH(qint64, chunk);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(qint64, dataSize);
        QCOMPARE(deriveDataSize(chunk, channels, bits), dataSize);
    }

    void getName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslashes")
            << QStringLiteral("C:\\Sounds\\Lobby.wav") << QStringLiteral("Lobby           ");
        QTest::newRow("slashes") << QStringLiteral("/home/u/wavefiles/Lobby.wav")
                                 << QStringLiteral("Lobby           ");
        QTest::newRow("long name cut") << QStringLiteral("C:\\x\\Announcement_Lobby_Morning.wav")
                                       << QStringLiteral("Announcement_Lob");
        QTest::newRow("exactly 16")
            << QStringLiteral("/a/0123456789abcdef.wav") << QStringLiteral("0123456789abcdef");
        QTest::newRow("the final .wav counts")
            << QStringLiteral("/a/chime.wav.wav") << QStringLiteral("chime.wav       ");
        QTest::newRow("folder with .wav in its name")
            << QStringLiteral("/a/voice.wavs/lobby2.wav") << QStringLiteral("lobby2          ");
        QTest::newRow("upper-case .WAV keeps its letters")
            << QStringLiteral("C:\\Sounds\\LOBBY.WAV") << QStringLiteral("LOBBY           ");
        // Other sound files: the name up to the last extension, whatever it is.
        QTest::newRow("other kind, upper-case extension")
            << QStringLiteral("/a/b.wav/Lobby.Intro.MP3") << QStringLiteral("Lobby.Intro     ");
        QTest::newRow("other kind, no extension")
            << QStringLiteral("C:\\a.b\\lobby") << QStringLiteral("lobby           ");
        QTest::newRow("other kind, a leading dot")
            << QStringLiteral("/a/.flac") << QStringLiteral(".flac           ");
        // The unit keeps one byte a character: Latin-1 stays, the rest is folded or "_".
        QTest::newRow("Latin-1 kept")
            << QStringLiteral("/a/Café Ñandú ÿ.wav") << QStringLiteral("Café Ñandú ÿ    ");
        QTest::newRow("combining mark composed")
            << QStringLiteral("/a/Cafe\u0301.wav") << QStringLiteral("Café            ");
        QTest::newRow("diacritics outside Latin-1 folded")
            << QStringLiteral("/a/Gödöllő Łódź.wav") << QStringLiteral("Gödöllo _ódz    ");
        QTest::newRow("CJK to _") << QStringLiteral("/a/日本.wav")
                                  << QStringLiteral("__              ");
        QTest::newRow("one _ for a character beyond 16 bits")
            << QStringLiteral("/a/a\U0001F600b.wav") << QStringLiteral("a_b             ");
        QTest::newRow("control characters to _")
            << QStringLiteral("/a/a\tb\u0085c.wav") << QStringLiteral("a_b_c           ");
        QTest::newRow("cut at 16 after mapping")
            << QStringLiteral("/a/東京駅の新幹線ホームで流す案内放送.wav")
            << QStringLiteral("________________");
        QTest::newRow("folded before the cut") << QStringLiteral("/a/Ōsaka_Station_Platform.wav")
                                               << QStringLiteral("Osaka_Station_Pl");
    }
    void getName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        const QString result = soundFileName(path);
        QCOMPARE(result, name);
        QCOMPARE(result.size(), 16);
        // What the unit reports back is the same name again.
        QCOMPARE(unitName(QString::fromLatin1(result.toLatin1())), result);
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
        QTest::newRow("4,294,967,294 (past 32 bits)") << 4294967294.0 << 4096;
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

    // From a mono header to what is sent: the route, then the overflow choice and what it
    // places ("overflow down one"), the halvings and the sizes after them.
    void route_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("chunk"); // bytes of 16-bit samples, unless `bits` says 8
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("size"); // DataSize after the halvings
        QTest::addColumn<int>("extra");
        const auto row = [](const char *name, int rate, int chunk, int at, const char *path,
                             int steps, int size, int extra, int bits = 16) {
            QTest::newRow(name) << rate << chunk << bits << at << QString::fromLatin1(path)
                                << steps << size << extra;
        };
        row("fits one as it is", 44100, 1048544, 0, "one", 0, 1048544, 0);
        row("44.1k 3,000,000: halved, Proceed over 2", 44100, 3000000, 0,
            "overflow proceed several", 1, 1500000, 1);
        row("44.1k 3,000,000: halved, Down Sample into one", 44100, 3000000, 0,
            "overflow down one", 2, 750000, 0);
        row("44.1k 1,500,000 at 6: halved into one", 44100, 1500000, 6, "halved", 1, 750000, 0);
        row("33,001 Hz 1,048,546: halved into one", 33001, 1048546, 0, "halved", 1, 524272, 0);
        row("33k 1,500,000: no halving first; Down Sample", 33000, 1500000, 0,
            "overflow down one", 1, 750000, 0);
        row("22.05k 2,500,000: Down Sample still needs two", 22050, 2500000, 0,
            "overflow down several", 1, 1250000, 1);
        row("96k 6,000,000: halved, Down Sample still needs two", 96000, 6000000, 0,
            "overflow down several", 2, 1500000, 1);
        row("8k 1,200,000 at 6: Cancel", 8000, 1200000, 6, "overflow cancel nothing", 0, 1200000,
            1);
        row("17,001 Hz 1,500,000 at 7: halving would fit", 17001, 1500000, 7, "overflow down one",
            1, 750000, 0);
        row("17k 1,500,000 at 7: too big", 17000, 1500000, 7, "too-big", 0, 1500000, 1);
        row("44.1k 40,000,000: too big even halved twice", 44100, 40000000, 0, "too-big", 0,
            40000000, 38);
        row("33,000 Hz, Auto Reduce: sent as it is", 33000, 100000, 0, "one auto", 0, 100000, 0);
        row("33,001 Hz, Auto Reduce: halved", 33001, 100000, 0, "one auto", 1, 50000, 0);
        row("8k past 255 extra locations", 8000, 300000000, 0, "broken", 0, 300000000, 0);
        row("8-bit past 2^31-1 bytes", 8000, 1100000000, 0, "broken", 0, 0, 0, 8);
    }
    void route()
    {
        QFETCH(int, rate);
        QFETCH(int, chunk);
        QFETCH(int, bits);
        QFETCH(int, location);
        QFETCH(QString, path);
        QFETCH(int, steps);
        QFETCH(int, size);
        QFETCH(int, extra);
        WaveHeader header { 16, 1, quint8(bits), rate, littleEndianBytes(rate), chunk, 44 };
        WaveVariables wave;
        const QStringList expected = path.split(QLatin1Char(' '));
        if (!takeWaveHeader(wave, header)) {
            QCOMPARE(path, QStringLiteral("broken"));
            QCOMPARE(wave.DataSize, size);
            return;
        }
        static const QStringList routes { QStringLiteral("one"), QStringLiteral("halved"),
            QStringLiteral("overflow"), QStringLiteral("too-big"), QStringLiteral("broken") };
        static const QStringList choices { QStringLiteral("proceed"), QStringLiteral("down"),
            QStringLiteral("cancel") };
        static const QStringList placements { QStringLiteral("several"), QStringLiteral("one"),
            QStringLiteral("nothing") };
        QCOMPARE(routes.at(int(routeUpload(wave, location))), expected.at(0));
        if (expected.size() == 3)
            QCOMPARE(placements.at(int(placementFor(
                         OverflowChoice(choices.indexOf(expected.at(1))), wave))),
                expected.at(2));
        if (expected.size() == 2)
            autoReduce(wave);
        QCOMPARE(int(wave.ReduceSteps), steps);
        QCOMPARE(wave.DataSize, size);
        QCOMPARE(int(wave.ExtraLocations), extra);
        QCOMPARE(wave.DataSizeBytes, littleEndianBytes(size));
        QCOMPARE(wave.SampleRateBytes, littleEndianBytes(rate >> steps));
    }

    // What a placement overwrites: each message a filled location shows, whole, and nothing of
    // a message elsewhere that only shares a name. Names as letters, "." for an empty location.
    void placement_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("extra");
        QTest::addColumn<QString>("erased");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<bool>("continues");
        const auto row = [](const char *name, const char *shown, int at, int extra,
                             const char *erased, const char *filled, bool continues) {
            QTest::newRow(name) << QString::fromLatin1(shown) << at << extra
                                << QString::fromLatin1(erased) << QString::fromLatin1(filled)
                                << continues;
        };
        row("one location", ".T...T..", 1, 0, "1", "1", false);
        row("later part: the whole message", "TT...T..", 1, 0, "01", "1", true);
        row("last of three parts", "..AAA...", 4, 0, "234", "4", true);
        row("location 0 never continues", "TT......", 0, 0, "01", "0", false);
        row("two, namesake of the first", "T...T...", 0, 1, "01", "01", false);
        row("three, the last one's message runs on", "A.TT..T.", 0, 2, "0123", "012", false);
        row("several from a later part", "BBB.....", 2, 1, "0123", "23", true);
        row("never past the last location", "......CC", 6, 3, "67", "67", false);
    }
    void placement()
    {
        QFETCH(QString, shown);
        QFETCH(int, location);
        QFETCH(int, extra);
        QFETCH(QString, erased);
        QFETCH(QString, filled);
        QFETCH(bool, continues);
        ShownNames names;
        for (int i = 0; i < LocationCount; ++i)
            if (shown.at(i) != QLatin1Char('.'))
                names.at(size_t(i)) = QString(shown.at(i)).leftJustified(16);
        const auto digits = [](const QList<int> &locations) {
            QString text;
            for (int i : locations)
                text += QString::number(i);
            return text;
        };
        QCOMPARE(digits(placementErasures(names, location, extra)), erased);
        QCOMPARE(digits(filledLocations(location, extra)), filled);
        QCOMPARE(continuesMessage(names, location), continues);
        // Exact names: the unit's form of another case is another name.
        QVERIFY(alreadyLoaded(names, QString(shown.at(location)).leftJustified(16))
            == (shown.at(location) != QLatin1Char('.')));
        QVERIFY(!alreadyLoaded(names, QString(shown.at(location).toLower()).leftJustified(16)));
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
        const auto row = [](const char *name, int size, int rate, int at, const QString &fills,
                             const QString &fitsInto) {
            QTest::newRow(name) << size << rate << at << fills << fitsInto;
        };
        const QString none;
        row("22,050 Hz 1,500,000 at 0, after the automatic halving", 1500000, 22050, 0, fill(2), one);
        row("22,050 Hz 1,500,000 at 7: no Proceed", 1500000, 22050, 7, none, one);
        row("22,050 Hz 2,500,000 at 0", 2500000, 22050, 0, fill(3), into(2));
        row("8,000 Hz 1,200,000 at 6: no Down Sample", 1200000, 8000, 6, fill(2), none);
        row("17,000 Hz: no Down Sample", 1200000, 17000, 0, fill(2), none);
        row("33,000 Hz 1,500,000 halves once", 1500000, 33000, 0, fill(2), one);
        row("48,000 Hz 3,000,000 estimates a quarter", 3000000, 48000, 0, fill(3), one);
        row("fills exactly the rest at 6", 2097120, 8000, 6, fill(2), none);
        row("one byte over the rest at 6", 2097121, 8000, 6, none, none);
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
};

QTEST_GUILESS_MAIN(tst_upload_rules)
#include "tst_upload_rules.moc"
