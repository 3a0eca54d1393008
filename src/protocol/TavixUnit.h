#pragma once

#include "link/CommandExchange.h"
#include "link/SaxComm.h"
#include "protocol/DirectoryRecord.h"
#include "protocol/UnitConstants.h"
#include "protocol/UnitResult.h"
#include "protocol/UploadJob.h"

#include <QList>

#include <functional>
#include <optional>

// How long the unit may take to answer each kind of exchange, in milliseconds.
struct UnitTimeouts {
    qint32 identifyMs = 500;
    qint32 recordMs = 1000; // one directory record
    qint32 eraseMs = 40000; // a unit may need this long to clear a whole location
    qint32 registerMs = 2000;
    qint32 statusMs = 500; // the "S" poll during playback
    qint32 doneMs = 1000; // the carriage return that confirms a playback has ended
    qint32 diagnosticMs = 2000;
    qint32 ackMs = 2000; // "L", the upload header and every block but the last
    qint32 finalAckMs = 4000; // the last block: the unit answers once it has stored the message
};

enum class PlaybackMode { Stack, Interrupt };
enum class PlayState { Playing, Done };

// One reply to "D" or "N"; `record` is filled only for a record.
struct DirectoryReply {
    DirectoryReplyKind kind = DirectoryReplyKind::Missing;
    DirectoryRecord record;
};

struct UnitDirectory {
    QList<DirectoryRecord> records;
    bool complete = false; // the end marker came
};

// The detail of a CommFailed result when the input was still talking after the time that
// draining it may take: the line is then of no use, as if the component had failed.
inline const QString LineKeepsTalking = QStringLiteral("Data keeps arriving.");

// A conversation with one unit over the serial component: each operation is one command (or
// one fixed series of them) with its counts and waits, and returns what came of it as a value.
//
// Stale input: every command first throws away whatever already waits in the input, and a
// reply that ran short of its count or was not what the command expects is followed at once by
// a drain, so that the rest of it never reaches the next command (identify and upload say how
// they differ). A fault the component
// recorded before an operation began (opening the port, say) is reported by that operation;
// callers that want to forget one take it from the component first.
class TavixUnit {
public:
    explicit TavixUnit(SaxComm &comm, UnitTimeouts timeouts = {});
    TavixUnit(const TavixUnit &) = delete;
    TavixUnit &operator=(const TavixUnit &) = delete;

    SaxComm &comm() const { return m_comm; }
    const UnitTimeouts &timeouts() const { return m_timeouts; }
    // When set, every reply the unit's commands read is also stored there (the identification
    // probe's, the discards' and the drains' reads are not); nullptr stops it.
    void setReplySink(QByteArray *sink) { m_sink = sink; }

    // Sets the open port's line up at `baudRate` ("460800") and sends the probe "q"; Ok when the
    // reply holds "Tavix". A line setting the port refuses ends it before anything is sent. No
    // drain follows a short reply: a late rest of it is thrown away before the next command.
    UnitResult identify(const QString &baudRate);

    // One directory record: "D" for the first, "N" for each next. Ok for a record and for the
    // end marker.
    UnitValue<DirectoryReply> readRecord(bool first);
    // The whole directory: drains the input (see clearInput), then the records up to the end
    // marker. `onRecord`, when given, sees each record as it comes; false from it ends the read
    // there (Ok, not complete). More than MostRecords records is Unexpected; `value` holds what
    // was read.
    UnitValue<UnitDirectory> readDirectory(
        const std::function<bool(const DirectoryRecord &)> &onRecord = {});

    // Clears location 0 to 7; any reply counts, only silence is a failure.
    UnitResult erase(int location);

    // Valid only with exactly two characters; the first one's code is the value.
    UnitValue<quint8> readRegister(quint8 number);
    // Accepted when the reply begins with "K".
    UnitResult writeRegister(quint8 number, quint8 value);
    // Register 1: 0 is stack mode, anything else interrupt mode.
    UnitValue<PlaybackMode> readMode();
    // Writes 0 for stack mode, 255 for interrupt mode.
    UnitResult writeMode(PlaybackMode mode);
    // The first delay register stands for all eight.
    UnitValue<quint8> readDelay();
    // Writes the delay into all eight registers; a register that refuses does not stop the
    // others. `value` lists the registers that refused, in order; the status is Ok when there
    // are none, else the first refusal's. A component failure stops the series (CommFailed).
    UnitValue<QList<quint8>> writeDelay(quint8 seconds);

    // Starts the message that begins at location 0 to 7; the unit does not answer.
    UnitResult play(int location);
    // One status poll: "B" to "S" is Playing; silence is the end, which the unit confirms on
    // a carriage return (Done; NoReply when it does not); any other reply is Unexpected.
    UnitValue<PlayState> poll();
    // Stops the playback at once; the unit does not answer.
    UnitResult stop();

    // The part identification of "E"/"M": four characters, of which `value` holds the first
    // three (the fourth is the unit's own).
    UnitValue<QByteArray> manufacturerCode(int location);
    // The location's first byte of memory ("E"/"R"): any reply counts, only silence fails.
    UnitValue<quint8> firstByte(int location);

    // Throws away whatever the unit still has to say. CommFailed with the detail
    // LineKeepsTalking when the input does not fall silent within about two seconds.
    UnitResult clearInput();

    // Loads a message: "L", the 31-byte header, then the samples in acknowledged blocks (224
    // data bytes first, then 256 each, then the rest); the header and each block go out right
    // after the acknowledgement before them, with no discard. After a failure the input is
    // drained, except when beforeBlock ended the transfer or the job was refused before anything
    // went out. While each acknowledgement is awaited the next block is already being read.
    UploadOutcome upload(const UploadJob &job, const UploadHooks &hooks = {});

private:
    friend class UploadTransfer;

    // One command and its reply, kept in the reply sink; a reply shorter than `count`, or one
    // that `expected` refuses, is followed by a drain.
    QByteArray ask(char letter, std::initializer_list<QByteArray> parameters, qint32 count,
        qint32 waitMs, ReplyCheck expected = nullptr);
    // A read of the acknowledgement or status that follows a write, kept in the reply sink.
    QByteArray read(qint32 count, qint32 waitMs);
    // A fault of the component outranks whatever the reply was.
    UnitResult conclude(const QByteArray &reply, bool accepted);
    // The component's fault, taken, as a result; nothing when there is none.
    std::optional<UnitResult> takeFault(const QByteArray &reply = {});

    SaxComm &m_comm;
    UnitTimeouts m_timeouts;
    QByteArray *m_sink = nullptr;
};
