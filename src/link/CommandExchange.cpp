#include "link/CommandExchange.h"

QByteArray locationText(int index)
{
    return QByteArray(1, '0') + QByteArray::number(index);
}

QByteArray byteText(quint8 value)
{
    return QByteArray(1, static_cast<char>(value));
}

void sendCommand(SaxComm &comm, char letter, std::initializer_list<QByteArray> parameters,
                 bool carriageReturn)
{
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
                    qint32 count, qint32 waitMs)
{
    sendCommand(comm, letter, parameters);
    return readReply(comm, count, waitMs);
}

void DrainInput(SaxComm &comm)
{
    constexpr qint32 chunk = 10;
    constexpr qint32 waitMs = 200;
    // A unit that never stops talking would keep the loop going for ever; 100 kB is more than
    // two seconds of a full line at 460800 baud, far beyond anything a unit leaves behind.
    constexpr int mostReads = 10000;
    QByteArray text = QByteArrayLiteral("1234567890");
    for (int reads = 0; text.size() == chunk && reads < mostReads; ++reads)
        text = readReply(comm, chunk, waitMs);
}
