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

constexpr qint32 MiB = LocationBytes;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// A wave file's bytes from "field=value" words, over 100 data bytes of 16-bit mono at 8 kHz:
// format, channels, rate, bits, sub (the extensible sub-format), data (its bytes), extra (bytes
// added to the fmt chunk), declared (the data size field), and chunks "ID:bytes" put before the
// data chunk (before) or before the fmt chunk (first).
QByteArray wave(const char *fields = "")
{
    WaveFile w;
    w.data = QByteArray(100, '\x11');
    for (const QString &field : text(fields).split(u' ', Qt::SkipEmptyParts)) {
        const QString name = field.section(u'=', 0, 0);
        const QString value = field.section(u'=', 1);
        const uint n = value.toUInt();
        const WaveFile::Chunk chunk { value.left(4).toLatin1(),
            QByteArray(value.mid(5).toInt(), 'i') };
        if (name == u"format")
            w.formatTag = quint16(n);
        if (name == u"channels")
            w.channels = quint16(n);
        if (name == u"rate")
            w.sampleRate = n;
        if (name == u"bits")
            w.bitsPerSample = quint16(n);
        if (name == u"sub")
            w.subFormat = quint16(n);
        if (name == u"data")
            w.data.resize(n);
        if (name == u"extra")
            w.fmtExtra = QByteArray(n, '\0');
        if (name == u"declared")
            w.declaredDataSize = n;
        if (name == u"before")
            w.chunksBeforeData << chunk;
        if (name == u"first")
            w.chunksBeforeFmt << chunk;
    }
    return w.bytes();
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
// where a message goes and what it overwrites, the usage bars, and the words sent.
class tst_upload_rules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Refused: its message; Broken: "broken"; accepted: what the header says.
    void headers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &file, const char *expected) {
            QTest::newRow(name) << file << text(expected);
        };
        const QByteArray plain = wave();
        row("plain", plain, "fmt 16, data 100, 1 ch, 16 bit, 8000 Hz");
        row("18-byte fmt", wave("extra=2"), "fmt 18, data 100, 1 ch, 16 bit, 8000 Hz");
        // Chunks before the data chunk are walked by their sizes, an odd one with a pad byte.
        row("fact and odd LIST", wave("before=fact:4 before=LIST:57"),
            "fmt 94, data 100, 1 ch, 16 bit, 8000 Hz");
        row("extensible PCM, 3 channels", wave("format=65534 channels=3 data=600"),
            "fmt 40, data 600, 3 ch, 16 bit, 8000 Hz");
        row("8 channels, 8 bits, 44.1 kHz", wave("channels=8 bits=8 rate=44100 data=160"),
            "fmt 16, data 160, 8 ch, 8 bit, 44100 Hz");
        row("data chunk declares more than the file holds", wave("declared=5000"),
            "fmt 16, data 5000, 1 ch, 16 bit, 8000 Hz");

        row("not RIFF", QByteArray(plain).replace(0, 4, "RIFX"), "Not a RIFF File");
        row("not WAVE", QByteArray(plain).replace(8, 4, "AVI "), "Not a WAVE File");
        row("chunk before fmt", wave("first=JUNK:0"), "Not an fmt file!");
        row("format 3 before a bad channel count", wave("format=3 channels=9"),
            "Audio Format = Compressed!");
        row("extensible float", wave("format=65534 sub=3"), "Audio Format = Compressed!");
        for (const char *channels : { "channels=0", "channels=9", "channels=257" })
            row(channels, wave(channels), "Audio File has bad channel amount1");
        for (const char *bits : { "bits=24", "bits=32", "bits=272" })
            row(bits, wave(bits), "Not a 16 or 8 bit sample!");
        row("rate 0", wave("rate=0"), "Audio File has a sample rate of 0 Hz!");
        row("no data chunk", plain.left(36), "No audio data in this file!");
        row("empty data chunk", wave("data=0"), "No audio data in this file!");
        row("data shorter than one stereo frame", wave("channels=2 data=2"),
            "No audio data in this file!");
        // A file that ends inside its header: one text, whichever field the end falls in.
        for (int length : { 0, 3, 4, 11, 18, 21, 26, 30, 35, 38, 43 })
            row(qPrintable(QStringLiteral("cut at %1").arg(length)), plain.left(length),
                "File is damaged or cut short!");
        row("chunk runs past the end", wave("before=LIST:30").left(54),
            "File is damaged or cut short!");
        row("extensible, cut in its extension", wave("format=65534").left(50),
            "File is damaged or cut short!");
        row("fmt size 32768", QByteArray(plain).replace(16, 4, QByteArray("\0\x80\0\0", 4)),
            "broken");
        row("rate 2^31", wave("rate=2147483648"), "broken");
        row("data size 2^31", wave("declared=2147483648"), "broken");
    }
    void headers()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        const WaveHeaderReading reading = readWaveHeader(buffer);
        const WaveHeader &h = reading.header;
        QString got = reading.message;
        if (reading.outcome == WaveHeaderReading::Outcome::Broken)
            got = QStringLiteral("broken");
        if (reading.outcome == WaveHeaderReading::Outcome::Accepted) {
            got = QStringLiteral("fmt %1, data %2, %3 ch, %4 bit, %5 Hz")
                      .arg(h.fmtChunkLength)
                      .arg(h.dataChunkSize)
                      .arg(h.channelCount)
                      .arg(h.bitsPerSample)
                      .arg(h.sampleRate);
            QCOMPARE(file.mid(h.fmtChunkLength + 20, 4), QByteArray("data"));
            QCOMPARE(h.dataOffset, h.fmtChunkLength + 28);
            QCOMPARE(h.sampleRateBytes, littleEndianBytes(h.sampleRate));
        }
        QCOMPARE(got, expected);
    }

    // A header's way to the unit: DataSize (a word per whole frame) and the route; for an
    // overflow, the locations the dialog offers (Proceed, Down Sample; "-" hidden) as it sees
    // the message, then what the answer places; or Auto Reduce. Then halvings, DataSize and
    // extra locations. In: rate, data chunk, channels, bits, location, answer.
    void route_data()
    {
        rows({ "8000 1048544 1 16 0 -> one: 0 1048544 0", "8000 1048545 1 16 0 -> one: 0 1048544 0",
            "8000 1048546 1 16 0 cancel -> overflow 2 - nothing: 0 1048546 1",
            "8000 524272 1 8 0 -> one: 0 1048544 0",
            "8000 1048561 2 8 0 cancel -> overflow 2 - nothing: 0 1048560 1",
            "8000 4194240 2 16 0 proceed -> overflow 2 - several: 0 2097120 1",
            "8000 6291369 3 16 0 proceed -> overflow 3 - several: 0 2097122 2",
            "8000 1000001 3 8 0 -> one: 0 666666 0",
            // Halved above 33,000 Hz: by Auto Reduce, or on the way to several locations.
            "33000 100000 1 16 0 auto -> one: 0 100000 0",
            "33001 100000 1 16 0 auto -> one: 1 50000 0",
            "33001 1048546 1 16 0 -> halved: 1 524272 0",
            "33000 1500000 1 16 0 down -> overflow 2 1 one: 1 750000 0",
            "44100 3000000 1 16 0 proceed -> overflow 2 1 several: 1 1500000 1",
            "44100 3000000 1 16 0 down -> overflow 2 1 one: 2 750000 0",
            "22050 2500000 1 16 0 down -> overflow 3 2 several: 1 1250000 1",
            "96000 6000000 1 16 0 down -> overflow 3 1 several: 2 1500000 1",
            // The dialog estimates a half above 17,000 Hz, a quarter above 33,000.
            "66001 5000000 1 16 0 cancel -> overflow 3 2 nothing: 1 2500000 2",
            "66002 5000000 1 16 0 cancel -> overflow 3 1 nothing: 1 2500000 2",
            "17000 1200000 1 16 0 cancel -> overflow 2 - nothing: 0 1200000 1",
            "17001 1500000 1 16 7 down -> overflow - 1 one: 1 750000 0",
            "17000 1500000 1 16 7 -> too-big: 0 1500000 1",
            // Proceed only when the message fits the locations left as it is.
            "8000 2097120 1 16 6 proceed -> overflow 2 - several: 0 2097120 1",
            "22050 2097122 1 16 6 cancel -> overflow - 2 nothing: 0 2097122 2",
            "44100 40000000 1 16 0 -> too-big: 0 40000000 38",
            // Beyond what the header's variables hold.
            "8000 300000000 1 16 0 -> broken", "8000 1100000000 1 8 0 -> broken" });
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
            QCOMPARE(QStringLiteral("broken"), expected);
            return;
        }
        QString got = text("one halved overflow too-big broken")
                          .split(u' ')
                          .at(int(routeUpload(wave, location)));
        if (got == QStringLiteral("overflow")) {
            const OverflowOffer offer
                = overflowOffer(wave.DataSize, wave.SampleRate, location, MiB);
            for (const std::optional<int> &n :
                { offer.proceedLocations, offer.downSampleLocations })
                got += n ? QStringLiteral(" %1").arg(*n) : text(" -");
            const auto choice
                = OverflowChoice(text("proceed down cancel").split(u' ').indexOf(answer));
            got += u' '
                + text("several one nothing").split(u' ').at(int(placementFor(choice, wave)));
        }
        if (answer == QStringLiteral("auto"))
            autoReduce(wave);
        got += QStringLiteral(": %1 %2 %3")
                   .arg(wave.ReduceSteps)
                   .arg(wave.DataSize)
                   .arg(wave.ExtraLocations);
        QCOMPARE(got, expected);
        QCOMPARE(wave.DataSizeBytes, littleEndianBytes(wave.DataSize));
        QCOMPARE(wave.SampleRateBytes, littleEndianBytes(rate >> wave.ReduceSteps));
    }

    void names_data()
    {
        rows({ "C:\\Sounds\\Lobby.wav -> Lobby", "/a/voice.wavs/lobby2.wav -> lobby2",
            "C:\\x\\Announcement_Lobby_Morning.wav -> Announcement_Lob",
            "/a/0123456789abcdef.wav -> 0123456789abcdef", "/a/chime.wav.wav -> chime.wav",
            "C:\\Sounds\\LOBBY.WAV -> LOBBY",
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

    // What a placement overwrites: each message a filled location shows, whole, and nothing of
    // a message elsewhere that only shares a name. Names as letters, "." for an empty location.
    // In: names, location, extra locations; out: erased, filled, continues a message or not.
    void placement_data()
    {
        rows({ ".T...T.. 1 0 -> 1 1 new", "TT...T.. 1 0 -> 01 1 continues",
            "..AAA... 4 0 -> 234 4 continues", "TT...... 0 0 -> 01 0 new",
            "T...T... 0 1 -> 01 01 new", "A.TT..T. 0 2 -> 0123 012 new",
            "BBB..... 2 1 -> 0123 23 continues", "......CC 6 3 -> 67 67 new" });
    }
    void placement()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const QStringList a = in.split(u' ');
        const int location = a.at(1).toInt();
        const int extra = a.at(2).toInt();
        ShownNames names;
        for (int i = 0; i < LocationCount; ++i)
            if (a.at(0).at(i) != u'.')
                names.at(size_t(i)) = a.at(0).mid(i, 1).leftJustified(16);
        QString got;
        for (const auto &locations :
            { placementErasures(names, location, extra), filledLocations(location, extra) }) {
            for (int i : locations)
                got += QString::number(i);
            got += u' ';
        }
        QCOMPARE(
            got + (continuesMessage(names, location) ? text("continues") : text("new")), expected);
        // Exact names: the unit's form of another case is another name.
        const QString here = a.at(0).mid(location, 1).leftJustified(16);
        QCOMPARE(alreadyLoaded(names, here), a.at(0).at(location) != u'.');
        QVERIFY(!alreadyLoaded(names, here.toLower()));
    }

    // The bars a message paints from its first location ("location:width"); the locations
    // that then show its name are the same. In: first location, bytes.
    void usageBars_data()
    {
        rows({ "2 1 -> 2:40", "0 20971 -> 0:40", "0 1048576 -> 0:800", "0 1048577 -> 0:800 1:40",
            "4 81920 -> 4:62", "4 114688 -> 4:88", "3 525288 -> 3:401", "6 1572864 -> 6:800 7:400",
            "7 2097152 -> 7:800", "8 100 -> " });
    }
    void usageBars()
    {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        const int start = in.section(u' ', 0, 0).toInt();
        const qint64 bytes = in.section(u' ', 1, 1).toLongLong();
        QStringList got;
        for (const BarPaint &bar : ::usageBars(start, bytes, MiB))
            got << QStringLiteral("%1:%2").arg(bar.location).arg(bar.width);
        QCOMPARE(got.join(u' '), expected);
        const ShownNames names = namesFromDirectory({ { start, text("Chime"), bytes } }, MiB);
        for (int i = 0; i < LocationCount; ++i)
            QCOMPARE(
                !names.at(size_t(i)).isEmpty(), expected.contains(QStringLiteral("%1:").arg(i)));
    }

    // The words a wave file becomes: the first channel of every 2^steps-th frame, offset
    // binary, high byte first (an 8-bit sample's low byte is noise); silence past the data
    // chunk or the file, never the bytes of a chunk after the data (the short chimes). In: bits,
    // channels, halvings, frames, the data chunk's size field (0: its own), words read.
    void samples_data()
    {
        rows({ "16 1 0 20 0 113", "8 1 0 20 0 113", "16 2 1 40000 0 20000", "16 3 2 400 0 100",
            "16 8 0 100 0 100", "8 8 0 100 0 100", "8 3 1 400 0 200", "8 2 2 400 0 100",
            "16 1 0 100 5000 150" });
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
        QVERIFY(out.open(QIODevice::WriteOnly)
            && out.write(file.bytes() + (declared ? "" : after)) > 0);
        out.close();

        const WaveHeaderReading reading = readSoundFile(path);
        QRandomGenerator random(3);
        SampleReader reader(path,
            { reading.header.dataOffset, reading.header.dataChunkSize, bits,
                SampleSkip(steps, bits, channels) },
            random);
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

    // An 8-bit sample is the high byte; the low byte is drawn from 1 to 255, each of them.
    void conversion8()
    {
        QRandomGenerator random(7);
        QSet<int> lows;
        for (int i = 0; i < 100000; ++i) {
            const SampleWord word = convertSample8(quint8(i), random);
            QCOMPARE(int(word.high), i % 256);
            lows.insert(word.low);
        }
        QCOMPARE(lows.size(), 255);
        QVERIFY(!lows.contains(0));
    }
};

QTEST_GUILESS_MAIN(tst_upload_rules)
#include "tst_upload_rules.moc"
