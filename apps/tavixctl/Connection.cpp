#include "Connection.h"

#include "UnitLink.h"

Outcome connectUnit(UnitLink &link, int number, const QString &baudRate, QByteArray *identity)
{
    if (const auto problem = link.open(number))
        return Outcome::fail(ExitNoPort, *problem);
    const UnitResult identified = link.unit().identify(baudRate);
    if (identified.status == UnitStatus::CommFailed)
        return Outcome::fail(ExitNoPort, identified.detail);
    if (!identified.ok())
        return Outcome::fail(
            ExitNoUnit, QStringLiteral("no unit answers on %1").arg(link.portName(number)));
    if (identity)
        *identity = identified.reply;
    return Outcome::ok();
}

Outcome unitFailure(const QString &what, const UnitResult &result)
{
    switch (result.status) {
    case UnitStatus::Ok:
        return Outcome::ok();
    case UnitStatus::NoReply:
        return Outcome::fail(
            ExitUnitFailed, QStringLiteral("%1: the unit did not answer").arg(what));
    case UnitStatus::Unexpected:
        return Outcome::fail(ExitUnitFailed,
            QStringLiteral("%1: the unit answered \"%2\"")
                .arg(what, QString::fromLatin1(result.reply.toPercentEncoding(" "))));
    case UnitStatus::CommFailed:
        return Outcome::fail(ExitUnitFailed, QStringLiteral("%1: %2").arg(what, result.detail));
    case UnitStatus::InvalidArgument:
        break;
    }
    return Outcome::fail(
        ExitUsage, QStringLiteral("%1: not a request the unit can take").arg(what));
}

Outcome readWholeDirectory(TavixUnit &unit, UnitDirectory &directory)
{
    const UnitValue<UnitDirectory> read = unit.readDirectory();
    directory = read.value;
    if (!read.ok())
        return unitFailure(QStringLiteral("reading the directory"), read);
    if (!directory.complete)
        return Outcome::fail(
            ExitUnitFailed, QStringLiteral("reading the directory: it did not end"));
    return Outcome::ok();
}
