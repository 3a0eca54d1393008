#include "WaveFile.h"
#include "protocol/DirectoryRecord.h"
#include "protocol/SampleReader.h"
#include "protocol/SoundFile.h"
#include "protocol/UploadPlan.h"
#include "protocol/UploadSizes.h"
#include "protocol/UsageBars.h"
#include "protocol/WaveVariables.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// A wave file's bytes from "field=value" words, over 100 data bytes of 16-bit mono at 8 kHz:
// format, channels, rate, bits, sub (the extensible sub-format), data (its bytes), extra (bytes
// added to the fmt chunk), declared (the data size field), chunks "ID:bytes" put before the data
// chunk (before) or the fmt chunk (first); then put "at:text" over the bytes, cut to a length.
QByteArray wave(const QString &fields)
{
    WaveFile w;
    w.data = QByteArray(100, '\x11');
    std::optional<QByteArray> bytes; // once put or cut: the file's bytes
    const auto file = [&]() -> QByteArray & { return bytes ? *bytes : *(bytes = w.bytes()); };
    using Set = std::function<void(const QString &)>;
    const auto n = [](const QString &v) { return v.toUInt(); };
    const auto chunk = [](const QString &v) {
        return WaveFile::Chunk { v.left(4).toLatin1(), QByteArray(v.mid(5).toInt(), 'i') };
    };
    const QHash<QString, Set> set { { text("format"),
                                        [&](auto v) { w.formatTag = quint16(n(v)); } },
        { text("channels"), [&](auto v) { w.channels = quint16(n(v)); } },
        { text("rate"), [&](auto v) { w.sampleRate = n(v); } },
        { text("bits"), [&](auto v) { w.bitsPerSample = quint16(n(v)); } },
        { text("sub"), [&](auto v) { w.subFormat = quint16(n(v)); } },
        { text("data"), [&](auto v) { w.data.resize(n(v)); } },
        { text("extra"), [&](auto v) { w.fmtExtra = QByteArray(n(v), '\0'); } },
        { text("declared"), [&](auto v) { w.declaredDataSize = n(v); } },
        { text("before"), [&](auto v) { w.chunksBeforeData << chunk(v); } },
        { text("first"), [&](auto v) { w.chunksBeforeFmt << chunk(v); } },
        { text("put"), [&](auto v) { file().replace(n(v.left(1)), 4, v.mid(2).toLatin1()); } },
        { text("cut"), [&](auto v) { file().truncate(n(v)); } } };
    for (const QString &field : fields.split(u' ', Qt::SkipEmptyParts))
        set.value(field.section(u'=', 0, 0))(field.section(u'=', 1));
    return file();
}

// Rows written "inputs -> expected", each named by its own text.
void rows(std::initializer_list<const char *> lines)
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("expected");
    for (const char *line : lines) {
        const QStringList sides = QString::fromUtf8(line).split(QStringLiteral(" -> "));
        QTest::newRow(line) << sides.at(0) << sides.value(1);
    }
}

} // namespace

// The pure rules of an upload: header checks, sizes, names, halvings, the overflow dialog,
// where a message goes, and the words sent.
class tst_upload_rules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Accepted: "fmt chunk length/data size, channels x bits, rate"; refused: its message.
    void headers_data()
    {
        const char *cut = "File is damaged or cut short!";
        rows({ " -> 16/100 1x16 8000",
            // Chunks before the data chunk are walked by their sizes, an odd one with a pad byte.
            "extra=2 before=fact:4 before=LIST:57 -> 96/100 1x16 8000",
            "format=65534 channels=3 data=600 -> 40/600 3x16 8000",
            "channels=8 bits=8 rate=44100 data=8 -> 16/8 8x8 44100",
            "declared=5000 -> 16/5000 1x16 8000", "put=0:RIFX -> Not a RIFF File",
            "put=8:WAVX -> Not a WAVE File", "first=JUNK:0 -> Not an fmt file!",
            "format=3 channels=9 -> Audio Format = Compressed!",
            "format=65534 sub=3 -> Audio Format = Compressed!",
            "channels=0 -> Audio File has bad channel amount1",
            "channels=9 -> Audio File has bad channel amount1",
            "bits=24 -> Not a 16 or 8 bit sample!",
            "rate=0 -> Audio File has a sample rate of 0 Hz!",
            "cut=36 -> No audio data in this file!", "data=0 -> No audio data in this file!",
            "channels=2 data=3 -> No audio data in this file!",
            "before=LIST:30 cut=54 -> File is damaged or cut short!",
            "format=65534 cut=50 -> File is damaged or cut short!", "extra=32752 -> broken",
            "rate=2147483648 -> broken", "declared=2147483648 -> broken" });
        // A file that ends inside its header: one text, whichever field the end falls in.
        for (int length : { 0, 4, 11, 21, 30, 35, 43 })
            QTest::addRow("cut at %d", length) << QStringLiteral("cut=%1").arg(length) << text(cut);
    }
    void headers()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        QByteArray file = wave(in);
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        const WaveHeaderReading reading = readWaveHeader(buffer);
        const WaveHeader &h = reading.header;
        QString got = reading.outcome == WaveHeaderReading::Outcome::Broken ? text("broken")
                                                                            : reading.message;
        if (reading.outcome == WaveHeaderReading::Outcome::Accepted) {
            got = QStringLiteral("%1/%2 %3x%4 %5")
                      .arg(h.fmtChunkLength)
                      .arg(h.dataChunkSize)
                      .arg(h.channelCount)
                      .arg(h.bitsPerSample)
                      .arg(h.sampleRate);
            QCOMPARE(h.dataOffset, h.fmtChunkLength + 28);
            QCOMPARE(h.sampleRateBytes, littleEndianBytes(h.sampleRate));
        }
        QCOMPARE(got, expected);
    }

    // In: rate, data chunk, channels, bits, location, answer. Out: the route; for an overflow
    // the locations offered (Proceed, Down Sample; "-" hidden) and what the answer places;
    // then halvings, DataSize (a word per whole frame) and extra locations.
    void route_data()
    {
        rows({ "8000 1048544 1 16 0 -> one: 0 1048544 0",
            "8000 1048546 1 16 0 cancel -> overflow 2 - nothing: 0 1048546 1",
            "8000 6291369 3 16 0 proceed -> overflow 3 - several: 0 2097122 2",
            "8000 1000001 3 8 0 -> one: 0 666666 0",
            // Halved above 33,000 Hz: by Auto Reduce, or on the way to several locations.
            "33000 100000 1 16 0 auto -> one: 0 100000 0",
            "33001 100000 1 16 0 auto -> one: 1 50000 0",
            "33001 1048546 1 16 0 -> halved: 1 524272 0",
            "33000 1500000 1 16 0 down -> overflow 2 1 one: 1 750000 0",
            "44100 3000000 1 16 0 down -> overflow 2 1 one: 2 750000 0",
            "22050 2500000 1 16 0 down -> overflow 3 2 several: 1 1250000 1",
            // The dialog estimates a half above 17,000 Hz, a quarter above 33,000.
            "66001 5000000 1 16 0 cancel -> overflow 3 2 nothing: 1 2500000 2",
            "66002 5000000 1 16 0 cancel -> overflow 3 1 nothing: 1 2500000 2",
            "17000 1200000 1 16 0 cancel -> overflow 2 - nothing: 0 1200000 1",
            "17001 1500000 1 16 7 down -> overflow - 1 one: 1 750000 0",
            "17000 1500000 1 16 7 -> too-big: 0 1500000 1",
            // Proceed only when the message fits the locations left as it is.
            "8000 2097120 1 16 6 proceed -> overflow 2 - several: 0 2097120 1",
            "22050 2097122 1 16 6 cancel -> overflow - 2 nothing: 0 2097122 2",
            // Up to 255 extra locations and 2^31 - 1 bytes: what the header's variables hold.
            "8000 268435424 1 16 0 -> too-big: 0 268435424 255", "8000 268435426 1 16 0 -> broken",
            "8000 1100000000 1 8 0 -> broken" });
    }
    void route()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const QStringList a = in.split(u' ');
        const int rate = a.at(0).toInt();
        const int location = a.at(4).toInt();
        const QString answer = a.value(5);
        WaveHeader header { 16, quint8(a.at(2).toInt()), quint8(a.at(3).toInt()), rate,
            littleEndianBytes(rate), a.at(1).toInt(), 44 };
        WaveVariables wave;
        if (!takeWaveHeader(wave, header)) {
            QCOMPARE(text("broken"), expected);
            return;
        }
        QString got = text("one halved overflow too-big broken")
                          .split(u' ')
                          .at(int(routeUpload(wave, location)));
        if (got == u"overflow") {
            const OverflowOffer offer
                = overflowOffer(wave.DataSize, wave.SampleRate, location, LocationBytes);
            for (const std::optional<int> &n :
                { offer.proceedLocations, offer.downSampleLocations })
                got += n ? QStringLiteral(" %1").arg(*n) : text(" -");
            const auto choice
                = OverflowChoice(text("proceed down cancel").split(u' ').indexOf(answer));
            got += u' '
                + text("several one nothing").split(u' ').at(int(placementFor(choice, wave)));
        }
        if (answer == u"auto")
            autoReduce(wave);
        got += QStringLiteral(": %1 %2 %3")
                   .arg(wave.ReduceSteps)
                   .arg(wave.DataSize)
                   .arg(wave.ExtraLocations);
        QCOMPARE(got, expected);
        QCOMPARE(wave.DataSizeBytes, littleEndianBytes(wave.DataSize));
        QCOMPARE(wave.SampleRateBytes, littleEndianBytes(rate >> wave.ReduceSteps));
    }

    // What a placement overwrites: each message a filled location shows, whole, and nothing of
    // a message elsewhere that only shares a name. Names as letters, "." for an empty location.
    // In: names, location, extra locations; out: erased, filled, continues a message or not.
    void placement_data()
    {
        rows({ ".T...T.. 1 0 -> 1 1 new", "TT...T.. 1 0 -> 01 1 continues",
            "..AAA... 4 0 -> 234 4 continues", "T...T... 0 1 -> 01 01 new",
            "A.TT..T. 0 2 -> 0123 012 new", "BBB..... 2 1 -> 0123 23 continues",
            "......CC 6 3 -> 67 67 new" });
    }
    void placement()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const QStringList a = in.split(u' ');
        const int location = a.at(1).toInt();
        ShownNames names;
        for (int i = 0; i < LocationCount; ++i)
            if (a.at(0).at(i) != u'.')
                names.at(size_t(i)) = a.at(0).mid(i, 1).leftJustified(16);
        QString got;
        for (const auto &locations : { placementErasures(names, location, a.at(2).toInt()),
                 filledLocations(location, a.at(2).toInt()) }) {
            for (int i : locations)
                got += QString::number(i);
            got += u' ';
        }
        QCOMPARE(got + text(continuesMessage(names, location) ? "continues" : "new"), expected);
        // Exact names: the unit's form of another case is another name.
        const QString here = a.at(0).mid(location, 1).leftJustified(16);
        QCOMPARE(alreadyLoaded(names, here), a.at(0).at(location) != u'.');
        QVERIFY(!alreadyLoaded(names, here.toLower()));
    }

    // The bars a message paints from its first location ("location:width", halves rounded to
    // even); the locations that then show its name are the same. In: first location, bytes.
    void usageBars_data()
    {
        rows({ "2 1 -> 2:40", "0 1048576 -> 0:800", "0 1048577 -> 0:800 1:40", "4 81920 -> 4:62",
            "4 114688 -> 4:88", "6 1572864 -> 6:800 7:400", "7 2097152 -> 7:800", "8 100 -> " });
    }
    void usageBars()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const int start = in.section(u' ', 0, 0).toInt();
        const qint64 bytes = in.section(u' ', 1, 1).toLongLong();
        QStringList got;
        for (const BarPaint &bar : ::usageBars(start, bytes, LocationBytes))
            got << QStringLiteral("%1:%2").arg(bar.location).arg(bar.width);
        QCOMPARE(got.join(u' '), expected);
        const ShownNames names
            = namesFromDirectory({ { start, text("Chime"), bytes } }, LocationBytes);
        for (int i = 0; i < LocationCount; ++i)
            QCOMPARE(!names.at(size_t(i)).isEmpty(), expected.contains(QStringLiteral("%1:").arg(i)));
    }

    void names_data()
    {
        rows({ "C:\\Sounds\\LOBBY.WAV -> LOBBY", "/a/voice.wavs/lobby2.wav -> lobby2",
            "/a/0123456789abcdef.wav -> 0123456789abcdef", "/a/chime.wav.wav -> chime.wav",
            // Other sound files: the name up to the last extension, whatever it is.
            "/a/b.wav/Lobby.Intro.MP3 -> Lobby.Intro", "C:\\a.b\\lobby -> lobby",
            "/a/.flac -> .flac",
            // The unit keeps one byte a character: Latin-1 stays, the rest is folded or "_".
            "/a/Café Ñandú ÿ~.wav -> Café Ñandú ÿ~", "/a/Cafe\u0301.wav -> Café",
            "/a/Gödöllő Łódź 日\U0001F600.wav -> Gödöllo _ódz __",
            "/a/a\tb\u0085c\u007fd\u00a0e.wav -> a_b_c_d\u00a0e",
            "/a/Ōsaka_Station_Platform.wav -> Osaka_Station_Pl" });
    }
    void names()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const QString name = expected.leftJustified(16);
        QCOMPARE(soundFileName(in), name);
        // What the unit reports back is the same name again.
        QCOMPARE(unitName(QString::fromLatin1(name.toLatin1())), name);
    }

    // The words a wave file becomes: the first channel of every 2^steps-th frame, offset
    // binary, high byte first (an 8-bit sample's low byte is noise); silence past the data
    // chunk or the file, never the bytes of a chunk after the data (the short chimes). In: bits,
    // channels, halvings, frames, the data chunk's size field (0: its own), words read.
    void samples_data()
    {
        rows({ "16 1 0 20 0 113", "8 1 0 20 0 113", "16 2 1 40000 0 20000", "16 3 2 400 0 100",
            "16 8 0 100 0 100", "8 3 1 400 0 200", "8 2 2 400 0 100", "16 1 0 100 5000 150" });
    }
    void samples()
    {
        QFETCH(QString, in);
        int bits, channels, steps, frames, declared, words;
        QTextStream(&in) >> bits >> channels >> steps >> frames >> declared >> words;
        // Every frame and channel tell apart, and both signs occur.
        const auto sample = [bits](int f, int c) {
            return bits == 8 ? quint8(f * 7 + c * 50 + 3) : qint16(f * 2311 + c * 9973);
        };
        WaveFile file;
        file.bitsPerSample = quint16(bits);
        file.channels = quint16(channels);
        for (int f = 0; f < frames; ++f)
            for (int c = 0; c < channels; ++c)
                for (int b = 0; b < bits / 8; ++b)
                    file.data += char(sample(f, c) >> (8 * b));
        if (declared > 0)
            file.declaredDataSize = quint32(declared);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("chime.wav"));
        QFile out(path);
        const QByteArray after = QByteArray("LIST\x20\0\0\0", 8) + QByteArray(32, '\x33');
        QVERIFY(
            out.open(QIODevice::WriteOnly) && out.write(file.bytes() + (declared ? "" : after)));
        out.close();

        const WaveHeader h = readSoundFile(path).header;
        QRandomGenerator random(3);
        SampleReader reader(path,
            { h.dataOffset, h.dataChunkSize, bits, SampleSkip(steps, bits, channels) }, random);
        QVERIFY(reader.open());
        QByteArray got;
        reader.appendWords(got, words);
        QVERIFY(reader.healthy());
        QByteArray expected;
        for (int w = 0, f = 0; w < words; ++w, f += 1 << steps) {
            const int word = bits == 8
                ? (f < frames ? sample(f, 0) : 0x80) << 8 | quint8(got.at(2 * w + 1))
                : (f < frames ? sample(f, 0) : 0) + 32768;
            expected += char(word >> 8);
            expected += char(word);
            QVERIFY(expected.back() != 0 || bits == 16);
        }
        QCOMPARE(got.toHex(' '), expected.toHex(' '));
    }

    // An 8-bit sample's low byte is drawn from 1 to 255, each of them.
    void conversion8()
    {
        QRandomGenerator random(7);
        QSet<int> lows;
        for (int i = 0; i < 100000; ++i)
            lows.insert(convertSample8(quint8(i), random).low);
        QCOMPARE(lows.size(), 255);
        QVERIFY(!lows.contains(0));
    }
};

QTEST_GUILESS_MAIN(tst_upload_rules)
#include "tst_upload_rules.moc"
