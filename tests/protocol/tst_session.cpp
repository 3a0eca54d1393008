#include "support/LineScript.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "protocol/SampleSource.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadWire.h"

#include <QRegularExpression>
#include <QTest>

namespace {

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// One session on a simulated unit, port 1 open, every byte on the line kept.
struct Rig {
    Rig()
    {
        comm.PortNumber(1);
        comm.PortOpen(true);
        session.setReplySink(&sink);
    }

    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
    TavixUnit session { comm };
    QByteArray sink = QByteArrayLiteral("untouched");
};

// Faults at the unit's exchanges, ";" between them: "D=bytes" answers those bytes instead ("\r"
// a carriage return), "D=" nothing, "D#27" only the first 27 bytes; "@n" at the n-th answer
// there (0: every one; 1 when not given).
void inject(UnitEngine &unit, const QString &faults)
{
    static const QRegularExpression form(QStringLiteral("^([^=#]+)([=#])(.*?)(?:@(\\d+))?$"));
    for (const QString &entry : faults.split(u';', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = form.match(entry);
        UnitEngine::Fault f;
        f.point = m.captured(1).toLatin1();
        f.replacement
            = m.captured(3).replace(QStringLiteral("\\r"), QStringLiteral("\r")).toLatin1();
        f.occurrence = m.hasCaptured(4) ? m.captured(4).toInt() : 1;
        f.keep = f.replacement.toInt();
        f.kind = m.captured(2) == u"#" ? UnitEngine::Fault::Truncate
            : f.replacement.isEmpty()  ? UnitEngine::Fault::NoReply
                                       : UnitEngine::Fault::Replace;
        unit.injectFault(f);
    }
}

// The last reply a command read (not a discard or a drain): what the reply sink must hold.
QByteArray lastReply(const SimComm &comm)
{
    QByteArray last = QByteArrayLiteral("untouched");
    for (const auto &e : comm.line())
        if (e.kind == SimComm::LineEvent::Read && e.waitMs != 200 && e.waitMs != 0)
            last = e.bytes;
    return last;
}

// A result as a short text: its status, the component's text and the operation's value.
struct Said {
    static QString of(quint8 n) { return QString::number(n, 16); }
    static QString of(PlaybackMode m)
    {
        return text(m == PlaybackMode::Stack ? "stack" : "interrupt");
    }
    static QString of(PlayState s) { return text(s == PlayState::Playing ? "playing" : "done"); }
    static QString of(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex()); }
    static QString of(const QList<quint8> &n)
    {
        return of(QByteArray(reinterpret_cast<const char *>(n.constData()), n.size()));
    }
};
QString said(const UnitResult &r, const QString &value = {})
{
    static const char *statuses[]
        = { "Ok", "NoReply", "Unexpected", "CommFailed", "InvalidArgument" };
    return QStringList { text(statuses[int(r.status)]), r.detail, value }.join(u' ').simplified();
}
template <typename T> QString said(const UnitValue<T> &r)
{
    return said(r, Said::of(r.value));
}

// Runs the operation a row names ("erase 3") and says what came of it.
QString perform(TavixUnit &s, const QString &operation)
{
    const int n = operation.section(u' ', 1).toInt();
    const QHash<QString, std::function<QString()>> operations {
        { text("identify"), [&] { return said(s.identify(QStringLiteral("460800"))); } },
        { text("erase"), [&] { return said(s.erase(n)); } },
        { text("readMode"), [&] { return said(s.readMode()); } },
        { text("writeMode"), [&] { return said(s.writeMode(PlaybackMode(n))); } },
        { text("readDelay"), [&] { return said(s.readDelay()); } },
        { text("writeDelay"), [&] { return said(s.writeDelay(quint8(n))); } },
        { text("play"), [&] { return said(s.play(n)); } },
        { text("poll"), [&] { return said(s.poll()); } },
        { text("stop"), [&] { return said(s.stop()); } },
        { text("partId"), [&] { return said(s.manufacturerCode(n)); } },
        { text("firstByte"), [&] { return said(s.firstByte(n)); } },
        { text("clearInput"), [&] { return said(s.clearInput()); } }
    };
    if (operation.startsWith(u"directory")) { // n: the records the caller takes before it stops
        int seen = 0;
        const auto r = s.readDirectory([&](const DirectoryRecord &) { return ++seen != n; });
        QStringList records;
        for (const DirectoryRecord &d : r.value.records)
            records << QStringLiteral("%1 %2 %3")
                           .arg(d.location)
                           .arg(d.name.trimmed())
                           .arg(d.bytesOccupied);
        if (records.size() > LocationCount)
            records = QStringList { QStringLiteral("%1 records").arg(records.size()) };
        return said(r, text(r.value.complete ? "all:" : "part:") + records.join(u','));
    }
    return operations.value(operation.section(u' ', 0, 0))();
}

// Samples from memory: they can refuse to open or fail past a byte, and onAppend hears of every
// read.
struct MemorySource : SampleSource {
    bool open() override
    {
        ++opens;
        return !openFails;
    }
    void appendWords(QByteArray &out, int count) override
    {
        onAppend();
        out += words.mid(at, 2 * count);
        at += 2 * count;
    }
    bool healthy() const override { return at <= failFrom; }
    void close() override { ++closes; }

    QByteArray words; // padded with the unit's silence by the test
    bool openFails = false;
    qsizetype failFrom = 1 << 30;
    std::function<void()> onAppend;
    qsizetype at = 0;
    int opens = 0;
    int closes = 0;
};

const QByteArray Lobby = QByteArrayLiteral("Lobby           ");

// The line of a transfer of `words` to location 2 at 8000 Hz that went through: the command,
// the header field by field, then blocks of 224, 256 ... bytes, each after its count (0 for 256).
QString storedLine(const QByteArray &words)
{
    QString line = text("_ L 02 \\r 2/2000 ") + lineText(Lobby) + text(" @ \\x1f \\x00 \\x00 stop");
    for (int i = 0; i < 4; ++i)
        line += u' ' + lineText(QByteArray(1, char(words.size() >> (8 * i))));
    line += text(" \\x00\\x00 \\r 2/2000");
    for (qsizetype at = 0, bytes = 224; at < words.size();
         at += bytes, bytes = qMin<qsizetype>(256, words.size() - at))
        line += u' ' + lineText(char(bytes % 256) + words.mid(at, bytes))
            + text(at + bytes < words.size() ? " 2/2000" : " 2/4000");
    return line;
}

// "operation | faults | the line | result" (see perform, inject and lineShort), on a unit that holds
// "H" at location 2 and 7 in the first delay register. A poll comes after the start of a
// playback, "later" when the message has ended.
const char *const Exchanges[] = {
    // "Tavix" anywhere in ten characters; a short reply is left to the next discard.
    "identify |  | _ q \\r 10/500 | Ok", "identify | q= | _ q \\r 10/500:0 | NoReply",
    "identify | q=xTavix | _ q \\r 10/500:6 | Ok",
    "identify | q=TAVIX v1.0 | _ q \\r 10/500 | Unexpected",
    // A record from 28 characters on, the end marker whatever follows its ten "K".
    "directory |  | ~ _ D \\r 29/1000 _ N \\r 29/1000 | Ok all:2 H 66084",
    "directory | D#28 | ~ _ D \\r 29/1000:28 ~ _ N \\r 29/1000 | Ok all:2 H 66084",
    "directory | D#27 | ~ _ D \\r 29/1000:27 ~ | Unexpected part:",
    "directory | N=KKKKKKKKKKxyz | ~ _ D \\r 29/1000 _ N \\r 29/1000:13 ~ | Ok all:2 H 66084",
    "directory | N=KKKKKKKKKxyz | ~ _ D \\r 29/1000 _ N \\r 29/1000:12 ~ | Unexpected part:2 H "
    "66084",
    "directory | N= | ~ _ D \\r 29/1000 _ N \\r 29/1000:0 ~ | NoReply part:2 H 66084",
    "directory 1 |  | ~ _ D \\r 29/1000 | Ok part:2 H 66084",
    // Erase: any reply counts, only silence fails.
    "erase 0 |  | _ C 00 \\r 2/40000 | Ok", "erase 7 | C#1 | _ C 07 \\r 2/40000:1 ~ | Ok",
    "erase 3 | C= | _ C 03 \\r 2/40000:0 ~ | NoReply", "erase 8 |  |  | InvalidArgument",
    // Registers: a read takes two characters, a write's reply begins with "K".
    "readMode |  | _ R \\x01 \\r 2/2000 | Ok stack",
    "readMode | R=\u00ffK | _ R \\x01 \\r 2/2000 | Ok interrupt",
    "readMode | R#1 | _ R \\x01 \\r 2/2000:1 ~ | Unexpected stack",
    "readDelay |  | _ R \\x09 \\r 2/2000 | Ok 7",
    "writeMode 0 |  | _ W \\x01 \\x00 \\r 2/2000 | Ok",
    "writeMode 1 | W=X\\r | _ W \\x01 \\xff \\r 2/2000 ~ | Unexpected",
    // Playback: "P" and "A" have no reply; silence to "S" is the end, which the unit confirms
    // on a carriage return.
    "play 2 |  | _ P 02 \\r | Ok", "play 8 |  |  | InvalidArgument",
    "poll |  | _ S 1/500 | Ok playing", "poll | S=K | _ S 1/500 ~ | Unexpected playing",
    "poll later |  | _ S 1/500:0 \\r 2/1000 | Ok done",
    "poll later | S-CR#1 | _ S 1/500:0 \\r 2/1000:1 ~ | Ok done",
    "poll later | S-CR= | _ S 1/500:0 \\r 2/1000:0 ~ | NoReply done", "stop |  | _ A | Ok",
    // Diagnostics: the part id takes four characters; any first byte counts.
    "partId 0 |  | _ E 00 M \\r 4/2000 | Ok 545808",
    "partId 0 | EM#3 | _ E 00 M \\r 4/2000:3 ~ | Unexpected",
    "firstByte 4 |  | _ E 04 R \\r 2/2000 | Ok ff",
    "firstByte 4 | ER= | _ E 04 R \\r 2/2000:0 ~ | NoReply 0", "clearInput |  | ~ | Ok"
};

// "twist | faults | outcome, blocks written after the header, data bytes acknowledged, then ~
// when the input was drained at the end and ! when the outcome has a detail". Twists: "size n"
// of data (1348 when not given); Stop ("cancel"), the window closing ("end") or the device going
// ("vanish") at the n-th block's events.
const char *const Uploads[] = { " |  | Stored 6 1348", "size 40 |  | Stored 2 226",
    "size 736 |  | Stored 3 736", " | L.block=N?@0 | Stored 6 1348", " | L= | NoLoadAck 0 0 ~",
    " | L=n\\r | NoLoadAck 0 0 ~", " | L.header=X\\r | HeaderRefused 0 0 ~",
    " | L.block=K\\r | FirstBlockRefused 1 0 ~", " | L.block=K\\r@3 | PrematureK 3 480 ~",
    " | L.block=@2 | TransmissionError 2 224 ~", " | L.final= | NoFinalK 6 1248 ~",
    " | L.final=N\\r | NoFinalK 6 1248 ~", "cancel 3 |  | Aborted 2 480 ~",
    "cancel 6 |  | Aborted 5 1248 ~", "end 3 |  | EndedByHook 2 224",
    "open fails |  | FileReadFailed 0 0 ~", "read fails |  | FileReadFailed 2 480 ~",
    "vanish 3 |  | CommFailed 2 224 !", "location 8 |  | InvalidJob 0 0 !",
    "short name |  | InvalidJob 0 0 !", "size 1001 |  | InvalidJob 0 0 !" };

} // namespace

// The unit session against the simulated unit, byte for byte on the line.
class tst_session : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data()
    {
        QTest::addColumn<QString>("row");
        for (const char *row : Exchanges)
            QTest::newRow(row) << QString::fromUtf8(row);
        // All eight delay registers are written; a refusal, drained at once, stops none.
        QStringList eight;
        for (int n = 9; n <= 16; ++n)
            eight
                << QStringLiteral("_ W %1 \\x05 \\r 2/2000").arg(lineText(QByteArray(1, char(n))));
        QTest::newRow("delay") << text("writeDelay 5 |  | ") + eight.join(u' ') + text(" | Ok");
        eight[1] += text(" ~");
        eight[4] += text(" ~");
        QTest::newRow("delay, 10 and 13 refuse") << text("writeDelay 5 | W=E\\r@2;W=E\\r@5 | ")
                + eight.join(u' ') + text(" | Unexpected 0a0d");
        QTest::newRow("records without end")
            << text("directory | N=\1Loop            rrrrrrrr\1\1\1r@0 | ~ _ D \\r 29/1000")
                + text(" _ N \\r 29/1000").repeated(MostRecords)
                + text(" | Unexpected part:64 records");
        QTest::newRow("a line that keeps talking: no D") << text("directory | noise | ")
                + QStringList(11, text("~10")).join(u' ')
                + text(" | CommFailed Data keeps arriving. part:");
    }
    void exchanges()
    {
        QFETCH(QString, row);
        const QStringList c = row.split(QStringLiteral(" | "));
        Rig rig;
        // Three size bytes that all differ; it plays for 4.1 s.
        rig.unit.store(2, { "H               ", 8000, QByteArray(0x10204, '\x11') });
        rig.unit.setRegister(FirstDelayRegister, 7);
        if (c.at(0).startsWith(u"poll")) {
            rig.session.play(2);
            rig.clock.advance(c.at(0).endsWith(u"later") ? 5000 : 0);
        }
        rig.comm.clearLine();
        if (c.at(1) == u"noise")
            rig.unit.sendUnasked(50, 0, 3600 * 1000);
        else
            inject(rig.unit, c.at(1));

        QCOMPARE(perform(rig.session, c.at(0)), c.at(3));
        QCOMPARE(lineShort(rig.comm), c.at(2));
        // The probe's answer never was the window's strData.
        QCOMPARE(rig.sink, c.at(0) == u"identify" ? "untouched" : lastReply(rig.comm));
        if (c.at(0) == u"identify")
            QCOMPARE(rig.comm.lastLineSettings(), QStringLiteral("460800N,8,1"));
    }

    void upload_data()
    {
        QTest::addColumn<QString>("row");
        for (const char *row : Uploads)
            QTest::newRow(row) << QString::fromUtf8(row);
    }
    void upload()
    {
        QFETCH(QString, row);
        const QStringList c = row.split(QStringLiteral(" | "));
        const QString twist = c.at(0).trimmed();
        Rig rig;
        inject(rig.unit, c.at(1));
        const int dataSize
            = twist.startsWith(u"size ") ? twist.mid(5).toInt() : 224 + 4 * 256 + 100;
        MemorySource memory;
        for (int i = 0; i < dataSize; ++i)
            memory.words += char((i * 37 + i / 256) & 0xFF);
        memory.words += QByteArray("\x80\0", 2).repeated(qMax(0, 226 - dataSize) / 2);
        memory.openFails = twist == u"open fails";
        memory.failFrom = twist == u"read fails" ? 224 + 256 : memory.failFrom;
        // "s" when the samples are read, "e" when events run, "p" at a progress report; each
        // "s" and "e" must follow a write, as the unit takes it in.
        QString calls;
        const auto afterWrite
            = [&] { return rig.comm.line().last().kind == SimComm::LineEvent::Write; };
        memory.onAppend = [&] { calls += afterWrite() ? u's' : u'S'; };

        const UploadJob job { twist == u"location 8" ? 8 : 2,
            twist == u"short name" ? Lobby.left(15) : Lobby, { 0x40, 0x1f, 0, 0 }, dataSize,
            &memory };
        UploadHooks hooks;
        hooks.beforeBlock = [&] {
            calls += afterWrite() ? u'e' : u'E';
            const QString at = QString::number(calls.count(u'e'));
            if (twist == QStringLiteral("vanish ") + at)
                rig.comm.vanish();
            return twist != QStringLiteral("end ") + at;
        };
        hooks.cancelled
            = [&] { return twist == QStringLiteral("cancel %1").arg(calls.count(u'e')); };
        hooks.progress = [&](qint32 sent, qint32 total) {
            QCOMPARE(QList<qint32>({ sent, total }),
                QList<qint32>({ 224 + 256 * int(calls.count(u'p')), qMax(dataSize, 226) }));
            calls += u'p';
        };

        const UploadOutcome outcome = rig.session.upload(job, hooks);
        static const char *codes[] = { "Stored", "NoLoadAck", "HeaderRefused", "FirstBlockRefused",
            "PrematureK", "TransmissionError", "NoFinalK", "Aborted", "FileReadFailed",
            "CommFailed", "EndedByHook", "InvalidJob" };
        const QString line = lineShort(rig.comm);
        const int blocks = int(blockWrites(rig.comm).size());
        QCOMPARE(QStringLiteral("%1 %2 %3%4%5")
                     .arg(text(codes[int(outcome.code)]))
                     .arg(blocks)
                     .arg(outcome.bytesSent)
                     .arg(text(line.endsWith(u'~') ? " ~" : ""))
                     .arg(text(outcome.detail.isEmpty() ? "" : " !")),
            c.at(2));
        // Nothing opened nor sent for a job that cannot go; the samples closed after any other.
        const bool invalid = outcome.code == UploadCode::InvalidJob;
        QCOMPARE(QList<int>({ int(line.isEmpty()), memory.opens, memory.closes }),
            invalid ? QList<int>({ 1, 0, 0 }) : QList<int>({ 0, 1, 1 }));
        // A vanished device records no read, but the sink still took the empty one.
        if (outcome.code != UploadCode::CommFailed)
            QCOMPARE(rig.sink, lastReply(rig.comm));
        if (outcome.code == UploadCode::Stored) {
            QCOMPARE(line, storedLine(memory.words));
            QCOMPARE(calls, text("sese") + text("pse").repeated(blocks - 2));
        }
    }
};

QTEST_GUILESS_MAIN(tst_session)
#include "tst_session.moc"
