#include "DirectoryListing.h"

#include "protocol/UnitConstants.h"
#include "protocol/UsageBars.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString modeName(PlaybackMode mode)
{
    return mode == PlaybackMode::Stack ? QStringLiteral("stack") : QStringLiteral("interrupt");
}

QString trimmedName(const DirectoryRecord &record)
{
    // The unit pads names to 16 characters with spaces.
    QString name = record.name;
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}

qint64 audioBytes(const DirectoryRecord &record)
{
    return record.bytesOccupied - MessageOverhead;
}

QString spanText(const QList<int> &spans)
{
    if (spans.isEmpty())
        return QStringLiteral("-");
    if (spans.size() == 1)
        return QString::number(spans.first());
    return QStringLiteral("%1-%2").arg(spans.first()).arg(spans.last());
}

} // namespace

QList<int> spannedLocations(const DirectoryRecord &record)
{
    QList<int> spans;
    for (const BarPaint &bar : usageBars(record.location, record.bytesOccupied, LocationBytes))
        spans << bar.location + 1;
    return spans;
}

QStringList directoryLines(const DirectoryListing &listing)
{
    QStringList lines { QStringLiteral("LOCATION  NAME              BYTES     SPANS") };
    for (const DirectoryRecord &record : listing.records)
        lines << QStringLiteral("%1  %2  %3  %4")
                     .arg(record.location + 1, -8)
                     .arg(trimmedName(record), -16)
                     .arg(audioBytes(record), -8)
                     .arg(spanText(spannedLocations(record)));
    lines << QStringLiteral("mode: %1").arg(modeName(listing.mode))
          << QStringLiteral("delay: %1").arg(listing.delaySeconds);
    return lines;
}

QByteArray directoryJson(const DirectoryListing &listing)
{
    QJsonArray messages;
    for (const DirectoryRecord &record : listing.records) {
        QJsonArray spans;
        for (int location : spannedLocations(record))
            spans.append(location);
        messages.append(QJsonObject { { QStringLiteral("location"), record.location + 1 },
            { QStringLiteral("name"), trimmedName(record) },
            { QStringLiteral("bytes"), audioBytes(record) }, { QStringLiteral("spans"), spans } });
    }
    const QJsonObject root { { QStringLiteral("messages"), messages },
        { QStringLiteral("mode"), modeName(listing.mode) },
        { QStringLiteral("delay"), int(listing.delaySeconds) } };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
