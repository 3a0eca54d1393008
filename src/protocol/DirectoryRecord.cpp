#include "protocol/DirectoryRecord.h"

#include "protocol/UnitConstants.h"

namespace {
const QByteArray endMarker = QByteArrayLiteral("KKKKKKKKKK");
// The data size ends at the 28th character; the 29th is never read.
constexpr qsizetype shortestRecord = 28;

quint8 byteAt(const QByteArray &reply, qsizetype index)
{
    return static_cast<quint8>(reply.at(index));
}
} // namespace

DirectoryReplyKind directoryReplyKind(const QByteArray &reply)
{
    if (reply.startsWith(endMarker))
        return DirectoryReplyKind::EndMarker;
    if (reply.size() <= 2)
        return DirectoryReplyKind::Missing;
    if (reply.size() < shortestRecord)
        return DirectoryReplyKind::Short;
    return DirectoryReplyKind::Record;
}

std::optional<DirectoryRecord> parseDirectoryRecord(const QByteArray &reply)
{
    if (directoryReplyKind(reply) != DirectoryReplyKind::Record)
        return std::nullopt;
    DirectoryRecord record;
    record.location = byteAt(reply, 0);
    record.name = QString::fromLatin1(reply.mid(1, 16));
    const qint64 dataSize
        = byteAt(reply, 25) + 256 * qint64(byteAt(reply, 26)) + 65536 * qint64(byteAt(reply, 27));
    record.bytesOccupied = dataSize + MessageOverhead;
    return record;
}
