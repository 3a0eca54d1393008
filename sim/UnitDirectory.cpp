#include "UnitEngine.h"

namespace {

void appendLittleEndian(QByteArray &bytes, quint32 value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray UnitEngine::directoryRecord(int firstLocation, const StoredMessage &message)
{
    QByteArray record;
    record += static_cast<char>(firstLocation);
    record += message.name.left(16).leftJustified(16, ' ');
    // The unit keeps the rate and four spare bytes here; the program does not read them.
    appendLittleEndian(record, message.sampleRate, 4);
    record += QByteArray(4, '\0');
    appendLittleEndian(record, static_cast<quint32>(message.audio.size()), 3);
    record += '\0';
    return record;
}

QByteArray UnitEngine::endMarkerRecord()
{
    return QByteArray(29, 'K');
}

void UnitEngine::defineDirectory()
{
    // "D" takes a snapshot of what is stored and sends its first record; each "N" the next one,
    // the end marker once they are used up and for every "N" after it.
    const auto next = [this](const QByteArray &point, qint64 now) {
        reply(point, m_directory.isEmpty() ? endMarkerRecord() : m_directory.takeFirst(), now);
    };
    defineCommand('D', 0, true, [this, next](const QByteArray &, qint64 now) {
        m_directory.clear();
        for (int location = 0; location < LocationCount; ++location)
            if (const auto &message = m_messages[static_cast<size_t>(location)])
                m_directory.append(directoryRecord(location, *message));
        next("D", now);
    });
    defineCommand('N', 0, true, [next](const QByteArray &, qint64 now) { next("N", now); });
}
