#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One reply to "D" or "N", one character per byte: the first location's index, the 16-character
// name, eight bytes the program does not read, the data size in three bytes (least significant
// first) and one more byte it does not read.
inline constexpr qint32 DirectoryRecordLength = 29;

enum class DirectoryReplyKind {
    Record, // a message: parse it
    EndMarker, // begins with ten "K": the directory is complete
    Missing, // nothing, or 1 or 2 characters: the unit did not answer
    Short, // 3 to 27 characters: too short to hold the data size
};

struct DirectoryRecord {
    int location = 0; // index of the message's first location; 8 or more fills nothing
    QString name; // exactly as received, not trimmed
    qint64 bytesOccupied = 0; // data size plus the per-message overhead
};

DirectoryReplyKind directoryReplyKind(const QByteArray &reply);
// Nothing unless the reply is a record long enough to hold the data size.
std::optional<DirectoryRecord> parseDirectoryRecord(const QByteArray &reply);
