#include "link/CommandExchange.h"

QByteArray locationText(int index)
{
    return QByteArray(1, '0') + QByteArray::number(index);
}

QByteArray byteText(quint8 value)
{
    return QByteArray(1, static_cast<char>(value));
}

void discardWaiting(SaxComm &comm)
{
    constexpr qint32 chunk = 256;
    // Only what is already there counts: each read waits for nothing. The bound keeps a line
    // that talks as fast as it is read from holding the command; its reply then fails and the
    // drain after it reports the noise.
    constexpr int mostReads = 16;
    for (int reads = 0; reads < mostReads; ++reads) {
        if (readReply(comm, chunk, 0).size() < chunk)
            return;
    }
}

void sendCommand(SaxComm &comm, char letter, std::initializer_list<QByteArray> parameters,
                 bool carriageReturn)
{
    // A reply that came after its wait ended, or the tail of one longer than was asked for,
    // would otherwise be read as the answer to this command.
    discardWaiting(comm);
    comm.OutputText(QByteArray(1, letter));
    for (const QByteArray &parameter : parameters)
        comm.OutputText(parameter);
    if (carriageReturn)
        comm.OutputText(QByteArray(1, CarriageReturn));
}

QByteArray readReply(SaxComm &comm, qint32 count, qint32 waitMs)
{
    comm.ReadCount(count);
    comm.ReadWait(waitMs);
    return comm.InputText();
}

QByteArray exchange(SaxComm &comm, char letter, std::initializer_list<QByteArray> parameters,
                    qint32 count, qint32 waitMs, ReplyCheck expected)
{
    sendCommand(comm, letter, parameters);
    const QByteArray reply = readReply(comm, count, waitMs);
    // A short reply means the wait ran out: the unit may still be answering, and the rest of
    // that answer must not reach the next command.
    if (reply.size() < count || (expected && !expected(reply)))
        DrainInput(comm);
    return reply;
}

bool DrainInput(SaxComm &comm)
{
    constexpr qint32 chunk = 10;
    constexpr qint32 waitMs = 200;
    // A unit's leftovers end within a read or two; a line still talking after this long is a
    // device that does not stop, and waiting on would hold the window with no events.
    constexpr qint64 longestMs = 2000;
    const qint64 start = comm.clockMs();
    while (readReply(comm, chunk, waitMs).size() == chunk) {
        if (comm.clockMs() - start >= longestMs)
            return false;
    }
    return true;
}
