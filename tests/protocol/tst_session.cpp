#include "support/LineScript.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "WaveFile.h"
#include "protocol/SampleReader.h"
#include "protocol/SampleSource.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadWire.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(UnitEngine::Fault)
Q_DECLARE_METATYPE(UnitStatus)
Q_DECLARE_METATYPE(UploadCode)

using Faults = QList<UnitEngine::Fault>;

namespace {

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

UnitEngine::Fault fault(const char *point, UnitEngine::Fault::Kind kind,
    const QByteArray &replacement = {}, int occurrence = 1)
{
    UnitEngine::Fault f;
    f.point = point;
    f.kind = kind;
    f.replacement = replacement;
    f.occurrence = occurrence;
    return f;
}
const UnitEngine::Fault noFault {};

UnitEngine::StoredMessage message(const char *name, qsizetype audioBytes)
{
    return { QByteArray(name).leftJustified(16, ' '), 8000, QByteArray(audioBytes, '\x11') };
}

// The last reply read by a command (not by a discard or a drain), or "untouched" when there is
// none: what the reply sink must hold.
QByteArray lastReply(const SimComm &comm)
{
    QByteArray last = QByteArrayLiteral("untouched");
    for (const auto &event : comm.line())
        if (event.kind == SimComm::LineEvent::Read && event.waitMs != 200 && event.waitMs != 0)
            last = event.bytes;
    return last;
}

// A read that brought `got` of `count` bytes, and the drain that follows it when it came short.
QStringList replyOf(int count, int waitMs, int got)
{
    QStringList line { readOf(count, waitMs, got) };
    if (got < count)
        line << drainOf();
    return line;
}

QString describe(const DirectoryReply &reply)
{
    switch (reply.kind) {
    case DirectoryReplyKind::Record:
        return QStringLiteral("%1 %2 %3")
            .arg(reply.record.location)
            .arg(reply.record.name.trimmed())
            .arg(reply.record.bytesOccupied);
    case DirectoryReplyKind::EndMarker:
        return QStringLiteral("end");
    case DirectoryReplyKind::Missing:
        return QStringLiteral("missing");
    case DirectoryReplyKind::Short:
        return QStringLiteral("short");
    }
    return {};
}

// Runs one operation named by a table row; the value as a short text.
UnitResult perform(TavixUnit &session, const QString &operation, QString &value)
{
    const QStringList words = operation.split(QLatin1Char(' '));
    const QString &name = words.first();
    const int argument = words.size() > 1 ? words.at(1).toInt() : 0;
    if (name == QStringLiteral("identify"))
        return session.identify(QStringLiteral("460800"));
    if (name == QStringLiteral("readRecord")) {
        const auto result = session.readRecord(words.at(1) == QStringLiteral("D"));
        value = describe(result.value);
        return result;
    }
    if (name == QStringLiteral("erase"))
        return session.erase(argument);
    if (name == QStringLiteral("readMode")) {
        const auto result = session.readMode();
        value = result.value == PlaybackMode::Stack ? QStringLiteral("stack")
                                                    : QStringLiteral("interrupt");
        return result;
    }
    if (name == QStringLiteral("writeMode"))
        return session.writeMode(
            words.at(1) == QStringLiteral("stack") ? PlaybackMode::Stack : PlaybackMode::Interrupt);
    if (name == QStringLiteral("readDelay")) {
        const auto result = session.readDelay();
        value = QString::number(result.value);
        return result;
    }
    if (name == QStringLiteral("writeDelay")) {
        const auto result = session.writeDelay(static_cast<quint8>(argument));
        QStringList refused;
        for (quint8 number : result.value)
            refused << QString::number(number);
        value = refused.join(QLatin1Char(','));
        return result;
    }
    if (name == QStringLiteral("play"))
        return session.play(argument);
    if (name == QStringLiteral("poll")) {
        const auto result = session.poll();
        value = result.value == PlayState::Playing ? QStringLiteral("playing")
                                                   : QStringLiteral("done");
        return result;
    }
    if (name == QStringLiteral("stop"))
        return session.stop();
    if (name == QStringLiteral("manufacturerCode")) {
        const auto result = session.manufacturerCode(argument);
        value = QString::fromLatin1(result.value.toHex(' '));
        return result;
    }
    if (name == QStringLiteral("firstByte")) {
        const auto result = session.firstByte(argument);
        value = QString::number(result.value, 16);
        return result;
    }
    if (name == QStringLiteral("clearInput"))
        return session.clearInput();
    qFatal("unknown operation");
}

// Samples from memory, for the transfer's failure rows: it can refuse to open, turn unhealthy
// from a byte on, and it tells what the line showed whenever it was asked for words.
class MemorySource : public SampleSource {
public:
    bool open() override
    {
        ++opens;
        return !openFails;
    }
    void appendWords(QByteArray &out, int count) override
    {
        if (onAppend)
            onAppend();
        for (int i = 0; i < count; ++i, at += 2) {
            // Past the end: the unit's silence, the middle of offset binary.
            out += at + 2 <= words.size() ? words.mid(at, 2) : QByteArrayLiteral("\x80\x00");
            if (failFrom >= 0 && at >= failFrom)
                m_healthy = false;
        }
    }
    bool healthy() const override { return m_healthy; }
    void close() override { ++closes; }

    QByteArray words;
    bool openFails = false;
    qsizetype failFrom = -1;
    std::function<void()> onAppend;
    int opens = 0;
    int closes = 0;

private:
    qsizetype at = 0;
    bool m_healthy = true;
};

QByteArray testWords(int bytes)
{
    QByteArray words;
    for (int i = 0; i < bytes; ++i)
        words += static_cast<char>((i * 37 + i / 256) & 0xFF);
    return words;
}

// The whole line of a transfer that went through: every write and every read.
QStringList storedLine(int location, const QByteArray &name, quint32 rate, const QByteArray &words)
{
    QStringList line = command({ "L" })
        << QStringLiteral("> 0%1").arg(location) << QStringLiteral("> \\r") << readOf(2, 2000, 2);
    line << QStringLiteral("> ") + lineText(name);
    const auto field = [&line](quint32 value) {
        for (int i = 0; i < 4; ++i)
            line << QStringLiteral("> ") + lineText(QByteArray(1, char(value >> (8 * i))));
    };
    field(rate);
    line << QStringLiteral("> stop");
    field(quint32(words.size()));
    line << QStringLiteral("> \\x00\\x00") << QStringLiteral("> \\r") << readOf(2, 2000, 2);
    qsizetype at = 0;
    while (at < words.size()) {
        const qsizetype bytes
            = at == 0 ? FirstBlockBytes : qMin<qsizetype>(FullBlockBytes, words.size() - at);
        line << QStringLiteral("> ") + lineText(char(bytes == 256 ? 0 : bytes) + words.mid(at, bytes));
        at += bytes;
        line << readOf(2, at == words.size() ? 4000 : 2000, 2);
    }
    return line;
}

const QByteArray Lobby = QByteArrayLiteral("Lobby           ");
// A first block, four full ones and a final one of 100 bytes.
constexpr int TransferBytes = 224 + 4 * 256 + 100;

} // namespace

// The unit session against the simulated unit, byte for byte on the line.
class tst_session : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data()
    {
        using F = UnitEngine::Fault;
        QTest::addColumn<QString>("operation");
        QTest::addColumn<Faults>("injected");
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<UnitStatus>("status");
        QTest::addColumn<QString>("value");
        const auto ok = UnitStatus::Ok;
        const auto none = UnitStatus::NoReply;
        const auto odd = UnitStatus::Unexpected;
        const auto one = [](const char *point, F::Kind kind, const QByteArray &bytes = {}) {
            return Faults { fault(point, kind, bytes) };
        };

        // The probe's short reply is left to the next command's discard.
        const auto q = [](int got) { return command({ "q", "\\r" }) << readOf(10, 500, got); };
        QTest::newRow("identify") << "identify" << Faults() << q(10) << ok << "";
        QTest::newRow("identify, silence")
            << "identify" << one("q", F::NoReply) << q(0) << none << "";
        const auto answers = [&one](const char *reply) { return one("q", F::Replace, reply); };
        QTest::newRow("identify, Tavix among other characters")
            << "identify" << answers("xxTavix!yy") << q(10) << ok << "";
        QTest::newRow("identify, short reply holding Tavix")
            << "identify" << answers("Tavix") << q(5) << ok << "";
        QTest::newRow("identify, other letter case")
            << "identify" << answers("TAVIX v1.0") << q(10) << odd << "";
        QTest::newRow("identify, Tavix after the tenth character")
            << "identify" << answers("0123456789Tavix") << q(10) << odd << "";

        const auto d = [](int got) { return command({ "D", "\\r" }) + replyOf(29, 1000, got); };
        QTest::newRow("D, a record") << "readRecord D" << Faults() << d(29) << ok << "2 Lobby 1032";
        QTest::newRow("D, 28 characters still a record")
            << "readRecord D" << one("D", F::Truncate) << d(28) << ok << "2 Lobby 1032";
        QTest::newRow("D, 27 characters")
            << "readRecord D" << one("D", F::Truncate) << d(27) << odd << "short";
        QTest::newRow("D, silence")
            << "readRecord D" << one("D", F::NoReply) << d(0) << none << "missing";
        QTest::newRow("N, the end marker")
            << "readRecord N" << Faults() << (command({ "N", "\\r" }) << readOf(29, 1000, 29)) << ok
            << "end";
        QTest::newRow("N, the end marker and more, short")
            << "readRecord N" << one("N", F::Replace, "KKKKKKKKKKxyz")
            << (command({ "N", "\\r" }) + replyOf(29, 1000, 13)) << ok << "end";

        const auto c = [](int got) {
            return command({ "C", "03", "\\r" }) + replyOf(2, 40000, got);
        };
        QTest::newRow("erase") << "erase 3" << Faults() << c(2) << ok << "";
        QTest::newRow("erase, any reply counts")
            << "erase 3" << one("C", F::Truncate) << c(1) << ok << "";
        QTest::newRow("erase, silence") << "erase 3" << one("C", F::NoReply) << c(0) << none << "";
        QTest::newRow("erase 8 is refused")
            << "erase 8" << Faults() << QStringList() << UnitStatus::InvalidArgument << "";

        const auto r = [](const char *number, int got) {
            return command({ "R", number, "\\r" }) + replyOf(2, 2000, got);
        };
        QTest::newRow("mode read") << "readMode" << Faults() << r("\\x01", 2) << ok << "stack";
        QTest::newRow("mode read, 255")
            << "readMode" << one("R", F::Replace, "\xffK") << r("\\x01", 2) << ok << "interrupt";
        QTest::newRow("mode read, 1 character")
            << "readMode" << one("R", F::Truncate) << r("\\x01", 1) << odd << "stack";
        QTest::newRow("delay read") << "readDelay" << Faults() << r("\\x09", 2) << ok << "7";
        QTest::newRow("mode write, stack")
            << "writeMode stack" << Faults()
            << (command({ "W", "\\x01", "\\x00", "\\r" }) << readOf(2, 2000, 2)) << ok << "";
        QTest::newRow("mode write, interrupt, refused")
            << "writeMode interrupt" << one("W", F::Replace, "X\r")
            << (command({ "W", "\\x01", "\\xff", "\\r" }) << readOf(2, 2000, 2) << drainOf()) << odd
            << "";

        QStringList eight;
        QStringList twoRefused;
        for (int n = 9; n <= 16; ++n) {
            const QStringList write = command({ "W" })
                << QStringLiteral("> ") + lineText(QByteArray(1, char(n)))
                << QStringLiteral("> \\x05") << QStringLiteral("> \\r") << readOf(2, 2000, 2);
            eight << write;
            twoRefused << write;
            // A refused write's rest is drained at once.
            if (n == 10 || n == 13)
                twoRefused << drainOf();
        }
        QTest::newRow("delay write: eight registers")
            << "writeDelay 5" << Faults() << eight << ok << "";
        QTest::newRow("delay write, registers 10 and 13 refuse")
            << "writeDelay 5"
            << Faults { fault("W", F::Replace, "E\r", 2), fault("W", F::Replace, "E\r", 5) }
            << twoRefused << odd << "10,13";

        QTest::newRow("play") << "play 2" << Faults() << command({ "P", "02", "\\r" }) << ok << "";
        const auto s = [](int got) { return command({ "S" }) << readOf(1, 500, got); };
        QTest::newRow("poll, playing") << "poll" << Faults() << s(1) << ok << "playing";
        QTest::newRow("poll, another answer")
            << "poll" << one("S", F::Replace, "K") << (s(1) << drainOf()) << odd << "playing";
        // Polled a second after the start: the message has ended.
        QTest::newRow("poll, ended")
            << "poll later" << Faults() << (s(0) << writes({ "\\r" }) + replyOf(2, 1000, 2)) << ok
            << "done";
        QTest::newRow("poll, end not confirmed")
            << "poll later" << one("S-CR", F::NoReply)
            << (s(0) << writes({ "\\r" }) + replyOf(2, 1000, 0)) << none << "done";
        QTest::newRow("stop") << "stop" << Faults() << command({ "A" }) << ok << "";

        const auto e = [](const char *location, const char *letter, int count, int got) {
            return command({ "E", location, letter, "\\r" }) + replyOf(count, 2000, got);
        };
        QTest::newRow("part id") << "manufacturerCode 0" << Faults() << e("00", "M", 4, 4) << ok
                                 << "54 58 08";
        QTest::newRow("part id, 3 characters")
            << "manufacturerCode 0" << one("EM", F::Truncate) << e("00", "M", 4, 3) << odd << "";
        QTest::newRow("first byte")
            << "firstByte 4" << Faults() << e("04", "R", 2, 2) << ok << "ff";
        QTest::newRow("first byte, silence")
            << "firstByte 4" << one("ER", F::NoReply) << e("04", "R", 2, 0) << none << "0";
        QTest::newRow("clear input")
            << "clearInput" << Faults() << QStringList { drainOf() } << ok << "";
    }
    void exchanges()
    {
        QFETCH(QString, operation);
        QFETCH(Faults, injected);
        QFETCH(QStringList, line);
        QFETCH(UnitStatus, status);
        QFETCH(QString, value);
        Rig rig;
        rig.unit.store(2, message("Lobby", 1000));
        rig.unit.setRegister(FirstDelayRegister, 7);
        if (operation.startsWith(QStringLiteral("poll"))) {
            rig.session.play(2);
            if (operation == QStringLiteral("poll later"))
                rig.clock.advance(1000);
            rig.comm.clearLine();
        } else if (operation == QStringLiteral("readRecord N")) {
            // The directory's one record has been read.
            rig.session.readRecord(true);
            rig.comm.clearLine();
        }
        for (UnitEngine::Fault injection : injected) {
            if (injection.kind == UnitEngine::Fault::Truncate)
                injection.keep = line.at(line.size() - 2).section(QLatin1Char(' '), -1).toInt();
            rig.unit.injectFault(injection);
        }

        QString got;
        const UnitResult result = perform(rig.session, operation, got);
        QCOMPARE(lineScript(rig.comm), line);
        QCOMPARE(result.status, status);
        QCOMPARE(got, value);
        QVERIFY(result.detail.isEmpty());
        if (operation == QStringLiteral("identify")) {
            QCOMPARE(rig.comm.lastLineSettings(), QStringLiteral("460800N,8,1"));
            // The probe's answer never was the window's strData.
            QCOMPARE(rig.sink, QByteArrayLiteral("untouched"));
        } else {
            QCOMPARE(rig.sink, lastReply(rig.comm));
        }
    }

    void readDirectory_data()
    {
        QTest::addColumn<UnitEngine::Fault>("injected");
        QTest::addColumn<int>("stopAfter"); // records onRecord accepts; -1: all
        QTest::addColumn<UnitStatus>("status");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("reads"); // "D" and "N" exchanges
        const QStringList both { QStringLiteral("0 Hall 2097336"), QStringLiteral("5 Lobby 132") };
        using F = UnitEngine::Fault;
        QTest::newRow("two records and the end marker")
            << noFault << -1 << UnitStatus::Ok << both << true << 3;
        QTest::newRow("onRecord ends it")
            << noFault << 1 << UnitStatus::Ok << QStringList { both.first() } << false << 1;
        QTest::newRow("silence after the first record")
            << fault("N", F::NoReply) << -1 << UnitStatus::NoReply << QStringList { both.first() }
            << false << 2;
        QTest::newRow("a short record")
            << fault("N", F::Replace, "KKKK") << -1 << UnitStatus::Unexpected
            << QStringList { both.first() } << false << 2;
        QTest::newRow("records without end")
            << fault("N", F::Replace, UnitEngine::directoryRecord(1, message("Loop", 4)), 0) << -1
            << UnitStatus::Unexpected << QStringList() << false << MostRecords + 1;
        QTest::newRow("a line that keeps talking: no D")
            << fault("noise", F::Replace) << -1 << UnitStatus::CommFailed << QStringList() << false
            << 0;
    }
    void readDirectory()
    {
        QFETCH(UnitEngine::Fault, injected);
        QFETCH(int, stopAfter);
        QFETCH(UnitStatus, status);
        QFETCH(QStringList, records);
        QFETCH(bool, complete);
        QFETCH(int, reads);
        Rig rig;
        rig.unit.store(0, message("Hall", 2 * 1048576 + 152));
        rig.unit.store(5, message("Lobby", 100));
        if (injected.point == "noise")
            rig.unit.sendUnasked(50, 0, 3600 * 1000);
        else if (!injected.point.isEmpty())
            rig.unit.injectFault(injected);
        int seen = 0;
        const auto result = rig.session.readDirectory(
            [&](const DirectoryRecord &) { return stopAfter < 0 || ++seen < stopAfter; });
        QCOMPARE(result.status, status);
        QCOMPARE(result.value.complete, complete);
        if (reads > MostRecords) {
            QCOMPARE(result.value.records.size(), MostRecords);
        } else {
            QStringList got;
            for (const DirectoryRecord &record : result.value.records)
                got << describe({ DirectoryReplyKind::Record, record });
            QCOMPARE(got, records);
        }
        QCOMPARE(result.detail.isEmpty(), status != UnitStatus::CommFailed);
        if (reads == 0) {
            QCOMPARE(result.detail, LineKeepsTalking);
            QVERIFY(!rig.comm.written().contains('D'));
            return;
        }
        // A drain first, then "D" and one "N" for each record taken.
        const QStringList line = lineScript(rig.comm);
        QCOMPARE(line.first(), drainOf());
        QCOMPARE(line.mid(1, 4), command({ "D", "\\r" }) << readOf(29, 1000, 29));
        QCOMPARE(line.count(QStringLiteral("> N")), reads - 1);
        QCOMPARE(line.count(QStringLiteral("> \\r")), reads);
    }

    void upload_data()
    {
        using F = UnitEngine::Fault;
        QTest::addColumn<QString>("twist");
        QTest::addColumn<UnitEngine::Fault>("injected");
        QTest::addColumn<UploadCode>("code");
        QTest::addColumn<int>("blocks"); // written after the header
        QTest::addColumn<int>("acknowledged");
        QTest::addColumn<bool>("drained");
        const int all = TransferBytes;
        const int toFinal = all - 100;
        QTest::newRow("stored") << "" << noFault << UploadCode::Stored << 6 << all << false;
        QTest::newRow("stored from a wave file")
            << "wave" << noFault << UploadCode::Stored << 6 << all << false;
        QTest::newRow("40 bytes padded to 226")
            << "size 40" << noFault << UploadCode::Stored << 2 << 226 << false;
        QTest::newRow("N with any second character continues")
            << "" << fault("L.block", F::Replace, "N?", 0) << UploadCode::Stored << 6 << all
            << false;
        QTest::newRow("no reply to L")
            << "" << fault("L", F::NoReply) << UploadCode::NoLoadAck << 0 << 0 << true;
        QTest::newRow("L answered n")
            << "" << fault("L", F::Replace, "n\r") << UploadCode::NoLoadAck << 0 << 0 << true;
        QTest::newRow("header refused") << "" << fault("L.header", F::Replace, "X\r")
                                        << UploadCode::HeaderRefused << 0 << 0 << true;
        QTest::newRow("first block answered K") << "" << fault("L.block", F::Replace, "K\r")
                                                << UploadCode::FirstBlockRefused << 1 << 0 << true;
        QTest::newRow("second full block answered K")
            << "" << fault("L.block", F::Replace, "K\r", 3) << UploadCode::PrematureK << 3 << 480
            << true;
        QTest::newRow("first full block unanswered")
            << "" << fault("L.block", F::NoReply, {}, 2) << UploadCode::TransmissionError << 2
            << 224 << true;
        QTest::newRow("no final K")
            << "" << fault("L.final", F::NoReply) << UploadCode::NoFinalK << 6 << toFinal << true;
        QTest::newRow("final answered N") << "" << fault("L.final", F::Replace, "N\r")
                                          << UploadCode::NoFinalK << 6 << toFinal << true;
        QTest::newRow("Stop seen at the second full block")
            << "cancel 3" << noFault << UploadCode::Aborted << 2 << 480 << true;
        QTest::newRow("Stop seen before the final block")
            << "cancel 6" << noFault << UploadCode::Aborted << 5 << toFinal << true;
        QTest::newRow("the window closes while the first full block is acknowledged")
            << "end 3" << noFault << UploadCode::EndedByHook << 2 << 224 << false;
        QTest::newRow("samples do not open")
            << "open fails" << noFault << UploadCode::FileReadFailed << 0 << 0 << true;
        QTest::newRow("samples fail in the second full block")
            << "read fails" << noFault << UploadCode::FileReadFailed << 2 << 480 << true;
        QTest::newRow("device gone while the first full block is acknowledged")
            << "vanish 3" << noFault << UploadCode::CommFailed << 2 << 224 << false;
        QTest::newRow("location 8")
            << "location 8" << noFault << UploadCode::InvalidJob << 0 << 0 << false;
        QTest::newRow("15-byte name")
            << "short name" << noFault << UploadCode::InvalidJob << 0 << 0 << false;
        QTest::newRow("odd size") << "size 1001" << noFault << UploadCode::InvalidJob << 0 << 0
                                  << false;
    }
    void upload()
    {
        QFETCH(QString, twist);
        QFETCH(UnitEngine::Fault, injected);
        QFETCH(UploadCode, code);
        QFETCH(int, blocks);
        QFETCH(int, acknowledged);
        QFETCH(bool, drained);
        Rig rig;
        if (!injected.point.isEmpty())
            rig.unit.injectFault(injected);

        int dataSize = TransferBytes;
        if (twist.startsWith(QStringLiteral("size ")))
            dataSize = twist.mid(5).toInt();
        MemorySource memory;
        memory.words = testWords(dataSize);
        memory.openFails = twist == QStringLiteral("open fails");
        if (twist == QStringLiteral("read fails"))
            memory.failFrom = 224 + 256;
        QList<SimComm::LineEvent::Kind> beforePrepare;
        memory.onAppend = [&] { beforePrepare << rig.comm.line().last().kind; };

        // The wave file row: the file's 16-bit samples through the reader the window uses.
        QTemporaryDir folder;
        WaveFile wave;
        wave.data = testWords(dataSize);
        const QString path = folder.filePath(QStringLiteral("Lobby.wav"));
        QVERIFY(wave.write(path));
        QRandomGenerator random(1);
        SampleReader reader(path, { 44, wave.data.size(), 16, 0 }, random);
        QByteArray expected = memory.words;
        if (twist == QStringLiteral("wave")) {
            for (qsizetype i = 0; i < expected.size(); i += 2) {
                const SampleWord word
                    = convertSample16(quint8(wave.data[i]), quint8(wave.data[i + 1]));
                expected[i] = char(word.high);
                expected[i + 1] = char(word.low);
            }
        }
        while (expected.size() < acknowledged)
            expected += QByteArrayLiteral("\x80\x00");

        UploadJob job;
        job.location = twist == QStringLiteral("location 8") ? 8 : 2;
        job.name = twist == QStringLiteral("short name") ? Lobby.left(15) : Lobby;
        job.rateBytes = { 0x40, 0x1f, 0, 0 }; // 8000 Hz
        job.dataSize = dataSize;
        job.samples
            = twist == QStringLiteral("wave") ? static_cast<SampleSource *>(&reader) : &memory;

        int tops = 0;
        QList<SimComm::LineEvent::Kind> eventsAfter;
        bool stopPressed = false;
        QList<qint32> progress;
        UploadHooks hooks;
        hooks.beforeBlock = [&] {
            ++tops;
            eventsAfter << rig.comm.line().last().kind;
            const QString at = QString::number(tops);
            if (twist == QStringLiteral("cancel ") + at)
                stopPressed = true;
            if (twist == QStringLiteral("vanish ") + at)
                rig.comm.vanish();
            return twist != QStringLiteral("end ") + at;
        };
        hooks.cancelled = [&] { return stopPressed; };
        hooks.progress = [&](qint32 sent, qint32 total) {
            QCOMPARE(total, qMax(dataSize, 226));
            progress << sent;
        };

        const UploadOutcome outcome = rig.session.upload(job, hooks);
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.bytesSent, acknowledged);
        QCOMPARE(blockWrites(rig.comm).size(), blocks);
        const auto &line = rig.comm.line();
        QCOMPARE(!line.isEmpty() && line.last().kind == SimComm::LineEvent::Read
                && line.last().count == 10 && line.last().waitMs == 200,
            drained);
        QCOMPARE(outcome.detail.isEmpty(),
            code != UploadCode::InvalidJob && code != UploadCode::CommFailed);
        if (code == UploadCode::InvalidJob) {
            QVERIFY(line.isEmpty());
            QCOMPARE(memory.opens, 0);
            return;
        }
        // A vanished device records no read, but the sink still took the empty one.
        if (code != UploadCode::CommFailed)
            QCOMPARE(rig.sink, lastReply(rig.comm));
        if (job.samples == &memory)
            QVERIFY(memory.closes > 0);
        if (code != UploadCode::Stored)
            return;
        QCOMPARE(outcome.total, acknowledged);
        const auto &stored = rig.unit.messageAt(2);
        QVERIFY(stored);
        QCOMPARE(stored->name, Lobby);
        QCOMPARE(stored->sampleRate, 8000u);
        QCOMPARE(stored->audio, expected);
        if (injected.point.isEmpty())
            QCOMPARE(lineScript(rig.comm), storedLine(2, Lobby, 8000, expected));
        // Events run once per block; progress is told at the top of each full block.
        QCOMPARE(tops, blocks);
        QList<qint32> tops224;
        for (int sent = 224; sent + 256 < acknowledged; sent += 256)
            tops224 << sent;
        QCOMPARE(progress, tops224);
        // Events run, and each block after the first is read from the samples, while the unit
        // takes in what was written before: right after a write, before its acknowledgement.
        QVERIFY(!eventsAfter.contains(SimComm::LineEvent::Read));
        if (job.samples == &memory) {
            QCOMPARE(beforePrepare.size(), blocks);
            QVERIFY(!beforePrepare.contains(SimComm::LineEvent::Read));
        }
    }
};

QTEST_GUILESS_MAIN(tst_session)
#include "tst_session.moc"
