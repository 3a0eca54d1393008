#include "protocol/IdentifyUnit.h"

#include "link/CommandExchange.h"

Identification identifyUnit(SaxComm &comm, const QString &baudRate)
{
    const auto failed = [&comm] { return comm.takeError().has_value(); };
    comm.LineSettings(baudRate + QStringLiteral("N,8,1"));
    comm.SetupFlag(false);
    comm.SetupValue(0);
    if (failed())
        return Identification::CommFailed;
    sendCommand(comm, 'q');
    if (failed())
        return Identification::CommFailed;
    const QByteArray reply = readReply(comm, 10, 500);
    if (failed())
        return Identification::CommFailed;
    return reply.contains("Tavix") ? Identification::Found : Identification::NoUnit;
}
