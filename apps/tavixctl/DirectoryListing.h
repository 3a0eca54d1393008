#pragma once

#include "protocol/DirectoryRecord.h"
#include "protocol/TavixUnit.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// What `tavixctl ls` shows: each message with its first location (1 to 8), its name (without the
// unit's padding), its audio bytes and every location it fills; then the mode and the delay.
struct DirectoryListing {
    QList<DirectoryRecord> records;
    PlaybackMode mode = PlaybackMode::Stack;
    quint8 delaySeconds = 0;
};

// Locations 1 to 8 that a message fills, as the window's usage bars show it.
QList<int> spannedLocations(const DirectoryRecord &record);

// A table for people.
QStringList directoryLines(const DirectoryListing &listing);
// {"messages":[{"location":3,"name":"Opening hours","bytes":1323000,"spans":[3,4]}, ...],
//  "mode":"stack","delay":0}
QByteArray directoryJson(const DirectoryListing &listing);
