#include "UnitEngine.h"

qint64 UnitEngine::playbackMs(const StoredMessage &message)
{
    if (message.sampleRate == 0)
        return 0;
    return message.audio.size() / 2 * 1000 / qint64(message.sampleRate);
}

void UnitEngine::definePlayback()
{
    // "P" plays the message that begins at the location; a location where none begins plays
    // nothing. No reply.
    defineCommand('P', 2, true, [this](const QByteArray &parameters, qint64 now) {
        const auto location = locationParameter(parameters);
        if (!location)
            return;
        m_playingLocation = location;
        const auto &message = m_messages[static_cast<size_t>(*location)];
        m_playbackEndsAt = now + (message ? playbackMs(*message) : 0);
    });
    // "S": "B" while playing, silence once the message has ended; the carriage return that
    // follows the silence is answered.
    defineCommand('S', 0, false, [this](const QByteArray &, qint64 now) {
        if (isPlaying(now))
            reply("S", QByteArrayLiteral("B"), now);
    });
    m_bareReturn = [this](const QByteArray &, qint64 now) {
        if (!isPlaying(now))
            reply("S-CR", QByteArrayLiteral("K\r"), now);
    };
    // "A" stops at once; no reply.
    defineCommand('A', 0, false, [this](const QByteArray &, qint64 now) {
        if (isPlaying(now))
            m_playbackEndsAt = now;
    });
}
