#include "UnitEngine.h"

// The "L" exchange: the command names the first location and is acknowledged; a 31-byte header
// follows (name, rate, "stop", size, two zero bytes, carriage return), then blocks of a count
// byte (0 for 256) and that many data bytes, each acknowledged "N" until the announced size is
// in, which is answered "K" and stored.
//
// Fault points: "L" (the command), "L.header", "L.block" (the n-th occurrence is the n-th block
// that is not the last) and "L.final".

namespace {
constexpr int HeaderBytes = 31;
// A load whose bytes stop coming for this long is given up, and what arrives next is read as
// commands again (a host that gave up after a bad acknowledgement moves on).
constexpr qint64 UploadIdleMs = 2000;
const QByteArray Continue = QByteArrayLiteral("N\r");
const QByteArray Done = QByteArrayLiteral("K\r");
const QByteArray Refused = QByteArrayLiteral("E\r");

quint32 littleEndian(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value * 256 + static_cast<quint8>(bytes.at(at + i));
    return value;
}
} // namespace

struct UnitEngine::UploadState {
    enum Phase { Header, Count, Data };
    Phase phase = Header;
    int location = 0;
    QByteArray header;
    qint64 announced = 0;
    int blockLeft = 0;
    StoredMessage message;
    qint64 lastByteMs = 0;
};

void UnitEngine::defineUpload()
{
    defineCommand('L', 2, true, [this](const QByteArray &parameters, qint64 now) {
        const auto location = locationParameter(parameters);
        if (!location) {
            reply("L", Refused, now);
            return;
        }
        m_upload = std::make_shared<UploadState>();
        m_upload->location = *location;
        m_upload->lastByteMs = now;
        m_stream = [this](char byte, qint64 at) { uploadByte(byte, at); };
        reply("L", Continue, now);
    });
}

void UnitEngine::endUpload()
{
    m_upload.reset();
    // This runs inside the stream handler; nothing of the handler is used after it returns.
    m_stream = nullptr;
}

void UnitEngine::uploadByte(char byte, qint64 nowMs)
{
    UploadState &load = *m_upload;
    if (nowMs - load.lastByteMs > UploadIdleMs) {
        endUpload();
        byteArrived(byte, nowMs);
        return;
    }
    load.lastByteMs = nowMs;

    switch (load.phase) {
    case UploadState::Header: {
        load.header += byte;
        if (load.header.size() < HeaderBytes)
            return;
        const QByteArray &header = load.header;
        load.announced = littleEndian(header, 24);
        const qint64 room = static_cast<qint64>(LocationCount - load.location) * LocationBytes;
        if (header.mid(20, 4) != "stop" || header.at(30) != '\r'
            || load.announced + MessageOverhead > room) {
            endUpload();
            reply("L.header", Refused, nowMs);
            return;
        }
        load.message.name = header.left(16);
        load.message.sampleRate = littleEndian(header, 16);
        load.message.audio.reserve(static_cast<qsizetype>(load.announced));
        load.phase = UploadState::Count;
        reply("L.header", Continue, nowMs);
        return;
    }
    case UploadState::Count:
        load.blockLeft = byte == 0 ? 256 : static_cast<quint8>(byte);
        load.phase = UploadState::Data;
        return;
    case UploadState::Data:
        load.message.audio += byte;
        if (--load.blockLeft > 0)
            return;
        if (load.message.audio.size() >= load.announced) {
            load.message.audio.truncate(static_cast<qsizetype>(load.announced));
            const int location = load.location;
            const StoredMessage message = std::move(load.message);
            endUpload();
            store(location, message);
            reply("L.final", Done, nowMs);
            return;
        }
        load.phase = UploadState::Count;
        reply("L.block", Continue, nowMs);
        return;
    }
}
