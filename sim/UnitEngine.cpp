#include "UnitEngine.h"

namespace {
constexpr char CR = '\r';
}

UnitEngine::UnitEngine()
{
    defineIdentify();
    defineDirectory();
    defineRegisters();
    definePlayback();
    defineErase();
    defineDiagnostics();
    defineUpload();
}

std::optional<int> UnitEngine::locationParameter(const QByteArray &parameters)
{
    if (parameters.size() < 2 || parameters.at(0) != '0' || parameters.at(1) < '0'
        || parameters.at(1) > '7')
        return std::nullopt;
    return parameters.at(1) - '0';
}

void UnitEngine::defineCommand(char letter, int parameterBytes, bool carriageReturn, Handler handler)
{
    m_commands.insert(letter, CommandShape{parameterBytes, carriageReturn, std::move(handler)});
}

void UnitEngine::defineIdentify()
{
    defineCommand('q', 0, true, [this](const QByteArray &, qint64 now) {
        reply("q", m_identity, now);
    });
}

void UnitEngine::receive(const QByteArray &bytes, qint64 nowMs)
{
    if (m_keepReceived)
        m_received += bytes;
    for (char byte : bytes)
        byteArrived(byte, nowMs);
}

void UnitEngine::byteArrived(char byte, qint64 nowMs)
{
    if (m_stream) {
        m_stream(byte, nowMs);
        return;
    }
    if (!m_letter) {
        if (byte == CR) {
            if (m_bareReturn)
                m_bareReturn({}, nowMs);
            return;
        }
        const auto shape = m_commands.constFind(byte);
        if (shape == m_commands.constEnd())
            return;  // not a command: a real unit ignores it too
        m_letter = byte;
        m_parameters.clear();
        m_awaitingReturn = shape->parameterBytes == 0 && shape->carriageReturn;
        if (shape->parameterBytes == 0 && !shape->carriageReturn)
            finishCommand(nowMs);
        return;
    }
    const CommandShape &shape = m_commands[*m_letter];
    if (m_awaitingReturn) {
        if (byte == CR) {
            finishCommand(nowMs);
        } else {
            // A broken command is dropped; the byte may start the next one.
            m_letter.reset();
            byteArrived(byte, nowMs);
        }
        return;
    }
    m_parameters += byte;
    if (m_parameters.size() == shape.parameterBytes) {
        if (shape.carriageReturn)
            m_awaitingReturn = true;
        else
            finishCommand(nowMs);
    }
}

void UnitEngine::finishCommand(qint64 nowMs)
{
    const char letter = *m_letter;
    m_letter.reset();
    m_awaitingReturn = false;
    const QByteArray parameters = m_parameters;
    m_parameters.clear();
    m_commands[letter].handler(parameters, nowMs);
}

void UnitEngine::reply(const QByteArray &point, QByteArray bytes, qint64 atMs)
{
    if (m_silent)
        return;
    const int answer = ++m_answers[point];
    qint64 readyAt = atMs + m_latencyMs;
    for (const Fault &fault : std::as_const(m_faults)) {
        if (fault.point != point || (fault.occurrence != 0 && fault.occurrence != answer))
            continue;
        switch (fault.kind) {
        case Fault::NoReply:
            return;
        case Fault::Truncate:
            bytes.truncate(fault.keep);
            break;
        case Fault::Replace:
            bytes = fault.replacement;
            break;
        case Fault::Delay:
            readyAt += fault.delayMs;
            break;
        case Fault::Append:
            bytes += fault.replacement;
            break;
        }
    }
    // Bytes leave in order: nothing overtakes a reply queued earlier.
    if (!m_output.empty() && m_output.back().readyAt > readyAt)
        readyAt = m_output.back().readyAt;
    for (char byte : std::as_const(bytes))
        m_output.push_back(Pending{byte, readyAt});
}

void UnitEngine::sendUnasked(int bytesPerSecond, qint64 fromMs, qint64 durationMs)
{
    if (bytesPerSecond <= 0)
        return;
    const qint64 count = durationMs * bytesPerSecond / 1000;
    const qint64 after = m_output.empty() ? fromMs : qMax(fromMs, m_output.back().readyAt);
    for (qint64 i = 0; i < count; ++i)
        m_output.push_back(Pending{'~', after + i * 1000 / bytesPerSecond});
}

qsizetype UnitEngine::readyCount(qint64 nowMs) const
{
    qsizetype count = 0;
    for (const Pending &pending : m_output) {
        if (pending.readyAt > nowMs)
            break;
        ++count;
    }
    return count;
}

std::optional<qint64> UnitEngine::readyTime(qsizetype index) const
{
    if (index < 0 || index >= static_cast<qsizetype>(m_output.size()))
        return std::nullopt;
    return m_output[static_cast<size_t>(index)].readyAt;
}

QByteArray UnitEngine::take(qsizetype most, qint64 nowMs)
{
    QByteArray bytes;
    while (bytes.size() < most && !m_output.empty() && m_output.front().readyAt <= nowMs) {
        bytes += m_output.front().byte;
        m_output.pop_front();
    }
    return bytes;
}

void UnitEngine::store(int firstLocation, const StoredMessage &message)
{
    if (firstLocation < 0 || firstLocation >= LocationCount)
        return;
    const int covered = locationsCovered(message.audio.size());
    for (int location = firstLocation; location < firstLocation + covered && location < LocationCount;
         ++location)
        eraseLocation(location);
    m_messages[static_cast<size_t>(firstLocation)] = message;
    if (m_storedHandler)
        m_storedHandler(firstLocation, message);
}

const std::optional<UnitEngine::StoredMessage> &UnitEngine::messageAt(int firstLocation) const
{
    static const std::optional<StoredMessage> none;
    if (firstLocation < 0 || firstLocation >= LocationCount)
        return none;
    return m_messages[static_cast<size_t>(firstLocation)];
}

int UnitEngine::locationsCovered(qsizetype audioBytes)
{
    const qsizetype bytes = audioBytes + MessageOverhead;
    return static_cast<int>((bytes + LocationBytes - 1) / LocationBytes);
}

std::optional<int> UnitEngine::ownerOf(int location) const
{
    for (int first = 0; first <= location && first < LocationCount; ++first) {
        const auto &message = m_messages[static_cast<size_t>(first)];
        if (message && location < first + locationsCovered(message->audio.size()))
            return first;
    }
    return std::nullopt;
}

void UnitEngine::eraseLocation(int location)
{
    if (const auto owner = ownerOf(location))
        m_messages[static_cast<size_t>(*owner)].reset();
}
