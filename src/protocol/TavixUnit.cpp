#include "protocol/TavixUnit.h"

namespace {

constexpr qint32 identityReplyCount = 10;
constexpr qint32 eraseReplyCount = 2;
constexpr qint32 registerReplyCount = 2;
constexpr qint32 statusReplyCount = 1;
constexpr qint32 doneReplyCount = 2;
constexpr qint32 partIdReplyCount = 4;
constexpr qint32 firstByteReplyCount = 2;

bool validLocation(int location)
{
    return location >= 0 && location < LocationCount;
}

bool startsWithK(const QByteArray &reply)
{
    return reply.startsWith('K');
}

const UnitResult invalidArgument { UnitStatus::InvalidArgument, {}, {} };

} // namespace

TavixUnit::TavixUnit(SaxComm &comm, UnitTimeouts timeouts)
    : m_comm(comm)
    , m_timeouts(timeouts)
{
}

std::optional<UnitResult> TavixUnit::takeFault(const QByteArray &reply)
{
    if (const auto error = m_comm.takeError())
        return UnitResult { UnitStatus::CommFailed, error->text, reply };
    return std::nullopt;
}

QByteArray TavixUnit::ask(char letter, std::initializer_list<QByteArray> parameters, qint32 count,
    qint32 waitMs, ReplyCheck expected)
{
    QByteArray reply = exchange(m_comm, letter, parameters, count, waitMs, expected);
    if (m_sink)
        *m_sink = reply;
    return reply;
}

QByteArray TavixUnit::read(qint32 count, qint32 waitMs)
{
    QByteArray reply = readReply(m_comm, count, waitMs);
    if (m_sink)
        *m_sink = reply;
    return reply;
}

UnitResult TavixUnit::conclude(const QByteArray &reply, bool accepted)
{
    if (auto fault = takeFault(reply))
        return *fault;
    if (accepted)
        return { UnitStatus::Ok, {}, reply };
    return { reply.isEmpty() ? UnitStatus::NoReply : UnitStatus::Unexpected, {}, reply };
}

UnitResult TavixUnit::identify(const QString &baudRate)
{
    m_comm.LineSettings(baudRate + QStringLiteral("N,8,1"));
    m_comm.SetupFlag(false);
    m_comm.SetupValue(0);
    if (auto fault = takeFault())
        return *fault;
    sendCommand(m_comm, 'q');
    if (auto fault = takeFault())
        return *fault;
    // Not kept in the reply sink: the window's strData never held the probe's answer.
    const QByteArray reply = readReply(m_comm, identityReplyCount, m_timeouts.identifyMs);
    return conclude(reply, reply.contains("Tavix"));
}

UnitValue<DirectoryReply> TavixUnit::readRecord(bool first)
{
    const QByteArray reply = ask(first ? 'D' : 'N', {}, DirectoryRecordLength, m_timeouts.recordMs);
    DirectoryReply value;
    value.kind = directoryReplyKind(reply);
    if (const auto record = parseDirectoryRecord(reply))
        value.record = *record;
    const bool accepted
        = value.kind == DirectoryReplyKind::Record || value.kind == DirectoryReplyKind::EndMarker;
    return withValue(conclude(reply, accepted), value);
}

UnitValue<UnitDirectory> TavixUnit::readDirectory(
    const std::function<bool(const DirectoryRecord &)> &onRecord)
{
    UnitDirectory directory;
    // Records read from a line that keeps talking would be its noise.
    const UnitResult cleared = clearInput();
    if (!cleared.ok())
        return withValue(cleared, directory);
    UnitValue<DirectoryReply> reply = readRecord(true);
    for (int records = 0;; ++records) {
        const UnitResult &result = reply;
        if (!reply.ok())
            return withValue(result, directory);
        if (reply.value.kind == DirectoryReplyKind::EndMarker) {
            directory.complete = true;
            return withValue(result, directory);
        }
        if (records >= MostRecords) {
            UnitResult tooMany = result;
            tooMany.status = UnitStatus::Unexpected;
            return withValue(tooMany, directory);
        }
        directory.records << reply.value.record;
        if (onRecord && !onRecord(reply.value.record))
            return withValue(result, directory);
        reply = readRecord(false);
    }
}

UnitResult TavixUnit::erase(int location)
{
    if (!validLocation(location))
        return invalidArgument;
    const QByteArray reply
        = ask('C', { locationText(location) }, eraseReplyCount, m_timeouts.eraseMs);
    return conclude(reply, !reply.isEmpty());
}

UnitValue<quint8> TavixUnit::readRegister(quint8 number)
{
    const QByteArray reply
        = ask('R', { byteText(number) }, registerReplyCount, m_timeouts.registerMs);
    const bool accepted = reply.size() == registerReplyCount;
    return withValue(
        conclude(reply, accepted), accepted ? static_cast<quint8>(reply.at(0)) : quint8 { 0 });
}

UnitResult TavixUnit::writeRegister(quint8 number, quint8 value)
{
    const QByteArray reply = ask('W', { byteText(number), byteText(value) }, registerReplyCount,
        m_timeouts.registerMs, startsWithK);
    return conclude(reply, startsWithK(reply));
}

UnitValue<PlaybackMode> TavixUnit::readMode()
{
    const UnitValue<quint8> read = readRegister(ModeRegister);
    return withValue<PlaybackMode>(
        read, read.value == 0 ? PlaybackMode::Stack : PlaybackMode::Interrupt);
}

UnitResult TavixUnit::writeMode(PlaybackMode mode)
{
    return writeRegister(ModeRegister, mode == PlaybackMode::Stack ? 0 : 255);
}

UnitValue<quint8> TavixUnit::readDelay()
{
    return readRegister(FirstDelayRegister);
}

UnitValue<QList<quint8>> TavixUnit::writeDelay(quint8 seconds)
{
    QList<quint8> refused;
    std::optional<UnitResult> firstRefusal;
    UnitResult last;
    for (int n = 0; n < LocationCount; ++n) {
        const auto number = static_cast<quint8>(FirstDelayRegister + n);
        last = writeRegister(number, seconds);
        if (last.status == UnitStatus::CommFailed)
            return withValue(last, refused);
        if (!last.ok()) {
            refused << number;
            if (!firstRefusal)
                firstRefusal = last;
        }
    }
    return withValue(firstRefusal.value_or(last), refused);
}

UnitResult TavixUnit::play(int location)
{
    if (!validLocation(location))
        return invalidArgument;
    sendCommand(m_comm, 'P', { locationText(location) });
    return conclude({}, true);
}

UnitValue<PlayState> TavixUnit::poll()
{
    sendCommand(m_comm, 'S', {}, false);
    const QByteArray status = read(statusReplyCount, m_timeouts.statusMs);
    if (auto fault = takeFault(status))
        return withValue(*fault, PlayState::Playing);
    if (!status.isEmpty()) {
        // Whatever else the unit meant, the rest of it must not meet the next command.
        if (status != "B")
            DrainInput(m_comm);
        return withValue(conclude(status, status == "B"), PlayState::Playing);
    }
    // Silence to "S" means the message has ended; the unit confirms on a carriage return.
    m_comm.OutputText(QByteArray(1, CarriageReturn));
    const QByteArray done = read(doneReplyCount, m_timeouts.doneMs);
    if (auto fault = takeFault(done))
        return withValue(*fault, PlayState::Done);
    // The wait ran out: the rest of the confirmation may still come.
    if (done.size() < doneReplyCount)
        DrainInput(m_comm);
    return withValue(conclude(done, !done.isEmpty()), PlayState::Done);
}

UnitResult TavixUnit::stop()
{
    sendCommand(m_comm, 'A', {}, false);
    return conclude({}, true);
}

UnitValue<QByteArray> TavixUnit::manufacturerCode(int location)
{
    if (!validLocation(location))
        return withValue(invalidArgument, QByteArray());
    const QByteArray reply = ask('E', { locationText(location), QByteArrayLiteral("M") },
        partIdReplyCount, m_timeouts.diagnosticMs);
    const bool accepted = reply.size() == partIdReplyCount;
    return withValue(conclude(reply, accepted), accepted ? reply.left(3) : QByteArray());
}

UnitValue<quint8> TavixUnit::firstByte(int location)
{
    if (!validLocation(location))
        return withValue<quint8>(invalidArgument, 0);
    const QByteArray reply = ask('E', { locationText(location), QByteArrayLiteral("R") },
        firstByteReplyCount, m_timeouts.diagnosticMs);
    return withValue(conclude(reply, !reply.isEmpty()),
        reply.isEmpty() ? quint8 { 0 } : static_cast<quint8>(reply.at(0)));
}

UnitResult TavixUnit::clearInput()
{
    const bool silent = DrainInput(m_comm);
    if (auto fault = takeFault())
        return *fault;
    if (!silent)
        return { UnitStatus::CommFailed, LineKeepsTalking, {} };
    return {};
}
