#include "UnitEngine.h"

quint8 UnitEngine::firstByteOf(int location) const
{
    const auto owner = ownerOf(location);
    if (!owner)
        return 0xFF;
    // A stored message is its header (name, rate, size, spare) followed by its audio; later
    // locations continue where the one before ended.
    const StoredMessage &message = *m_messages[static_cast<size_t>(*owner)];
    const qint64 offset = qint64(location - *owner) * LocationBytes;
    if (offset == 0)
        return static_cast<quint8>(message.name.isEmpty() ? ' ' : message.name.at(0));
    const qint64 audioIndex = offset - MessageOverhead;
    return audioIndex < message.audio.size()
        ? static_cast<quint8>(message.audio.at(static_cast<qsizetype>(audioIndex)))
        : 0xFF;
}

void UnitEngine::defineDiagnostics()
{
    // "E", the location, then "M" (part identification, four bytes) or "R" (the location's first
    // byte of memory and a "K").
    defineCommand('E', 3, true, [this](const QByteArray &parameters, qint64 now) {
        const auto location = locationParameter(parameters);
        if (!location)
            return;
        if (parameters.at(2) == 'M')
            reply("EM", m_partId, now);
        else if (parameters.at(2) == 'R')
            reply("ER", QByteArray(1, static_cast<char>(firstByteOf(*location))) + 'K', now);
    });
}
