#pragma once

#include "protocol/UnitConstants.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// The protocol engine of a simulated Tavix unit: what a unit stores and how it answers. It is
// told the time with every call (milliseconds on its host's clock) and queues each reply byte
// with the time at which it is ready; the in-process host runs it on a virtual clock, the
// pseudo-terminal host in real time.
class UnitEngine {
public:
    struct StoredMessage {
        QByteArray name;          // 16 characters
        quint32 sampleRate = 0;   // Hz
        QByteArray audio;         // the words as received: high byte, then low byte
    };

    // Where a fault can be put: a name for each exchange ("q", "D", "N", ...), the fault taking
    // effect the occurrence-th time the unit answers there (1 for the first; 0 for every time).
    struct Fault {
        enum Kind {
            NoReply,   // the unit says nothing
            Truncate,  // only the first `keep` bytes of the reply
            Replace,   // `replacement` instead of the reply
            Delay,     // the reply `delayMs` later than usual
            Append,    // `replacement` after the reply, as if it were part of it
        };
        QByteArray point;
        Kind kind = NoReply;
        int occurrence = 0;
        int keep = 0;
        QByteArray replacement;
        qint64 delayMs = 0;
    };

    UnitEngine();

    // Bytes from the host.
    void receive(const QByteArray &bytes, qint64 nowMs);
    // How many reply bytes are ready by nowMs.
    qsizetype readyCount(qint64 nowMs) const;
    // When the waiting byte at index is ready; nothing when fewer bytes are queued.
    std::optional<qint64> readyTime(qsizetype index) const;
    // Up to `most` bytes that are ready by nowMs.
    QByteArray take(qsizetype most, qint64 nowMs);

    // The identification reply: 10 characters.
    void setIdentity(const QByteArray &reply) { m_identity = reply; }
    // A unit that answers nothing at all.
    void setSilent(bool silent) { m_silent = silent; }
    void injectFault(const Fault &fault) { m_faults.append(fault); }
    // Bytes nobody asked for, evenly spread: bytesPerSecond of them each second from fromMs on,
    // for durationMs, as a device that keeps talking sends them. Replies queue behind them.
    void sendUnasked(int bytesPerSecond, qint64 fromMs, qint64 durationMs);

    // What the unit holds, by first location.
    void store(int firstLocation, const StoredMessage &message);
    // Told of every message stored, after it is stored.
    void setStoredHandler(std::function<void(int firstLocation, const StoredMessage &)> handler)
    {
        m_storedHandler = std::move(handler);
    }
    const std::optional<StoredMessage> &messageAt(int firstLocation) const;
    // The number of locations a message of that many audio bytes covers.
    static int locationsCovered(qsizetype audioBytes);
    // Empties the location, and with it the whole message that covers it.
    void eraseLocation(int location);
    // The first location of the message that covers this one, if any.
    std::optional<int> ownerOf(int location) const;

    // Every byte the unit has received since keepReceived(true), in order. A unit keeps no
    // record by default: one served for hours would hold every upload it ever got.
    void keepReceived(bool keep) { m_keepReceived = keep; }
    const QByteArray &received() const { return m_received; }

    // Directory: one 29-byte record per stored message (first location, name, data size), then
    // the end marker record.
    static QByteArray directoryRecord(int firstLocation, const StoredMessage &message);
    static QByteArray endMarkerRecord();

    // One-byte registers: 1 the playback mode, 9 to 16 the delay of each location.
    quint8 registerValue(quint8 number) const { return m_registers.at(number); }
    void setRegister(quint8 number, quint8 value) { m_registers.at(number) = value; }

    // Playback: the location whose message is playing until playbackEndsAt.
    bool isPlaying(qint64 nowMs) const { return m_playingLocation && nowMs < m_playbackEndsAt; }
    std::optional<int> playingLocation() const { return m_playingLocation; }
    // How long a message plays: its audio words at its rate.
    static qint64 playbackMs(const StoredMessage &message);

    // The first byte of a location's memory: an erased location reads 0xFF.
    quint8 firstByteOf(int location) const;

private:
    using Handler = std::function<void(const QByteArray &parameters, qint64 nowMs)>;
    struct CommandShape {
        int parameterBytes = 0;
        bool carriageReturn = true;
        Handler handler;
    };

    // A command: its letter, how many parameter bytes follow it and whether a carriage return
    // ends it.
    void defineCommand(char letter, int parameterBytes, bool carriageReturn, Handler handler);
    // Queues a reply at `point`, ready at atMs, after the faults for that point have had their say.
    void reply(const QByteArray &point, QByteArray bytes, qint64 atMs);
    void byteArrived(char byte, qint64 nowMs);
    void finishCommand(qint64 nowMs);

    void defineIdentify();
    void defineDirectory();
    void defineRegisters();
    void definePlayback();
    void defineErase();
    void defineDiagnostics();
    // A location parameter "0" followed by the index digit; nothing when it is not one.
    static std::optional<int> locationParameter(const QByteArray &parameters);
    void defineUpload();

    // The "L" exchange (UnitUpload.cpp): header and blocks arrive through m_stream.
    struct UploadState;
    void uploadByte(char byte, qint64 nowMs);
    void endUpload();
    std::shared_ptr<UploadState> m_upload;
    std::function<void(int firstLocation, const StoredMessage &)> m_storedHandler;

    QHash<char, CommandShape> m_commands;
    // A lone carriage return outside a command.
    Handler m_bareReturn;
    // While set, every byte goes here instead of the command parser (an upload's data).
    std::function<void(char byte, qint64 nowMs)> m_stream;

    // Parser state.
    std::optional<char> m_letter;
    QByteArray m_parameters;
    bool m_awaitingReturn = false;

    struct Pending {
        char byte;
        qint64 readyAt;
    };
    std::deque<Pending> m_output;

    QByteArray m_identity = QByteArrayLiteral("Tavix v1.0");
    bool m_silent = false;
    // Time between the end of a command and the first byte of its reply.
    static constexpr qint64 m_latencyMs = 0;
    QList<Fault> m_faults;
    QHash<QByteArray, int> m_answers;  // how often each point has answered

    std::array<std::optional<StoredMessage>, LocationCount> m_messages;
    bool m_keepReceived = false;
    QByteArray m_received;

    QList<QByteArray> m_directory;  // records still to send for "N"
    std::array<quint8, 256> m_registers{};
    std::optional<int> m_playingLocation;
    qint64 m_playbackEndsAt = 0;
    // How long an erase takes before the unit answers.
    static constexpr qint64 m_eraseMs = 50;
    // The four bytes the unit answers to "E" with "M".
    const QByteArray m_partId = QByteArrayLiteral("\x54\x58\x08\x0d");
};
