#pragma once

#include "protocol/WaveHeader.h"

#include <QString>

#include <memory>

class QIODevice;

// The sound files a message is loaded from, whichever front end loads it. A file whose name
// ends in ".wav" (any letter case) is a wave file: its header is read and checked by the wave
// reader and its bytes are sent as they stand, as always. Every other file is recognised by its
// content and decoded (DecodedAudio): it then reads as a mono 16-bit wave file would, so the
// sizes, halvings, placement and transfer are the same for both.

// True when the file's own name ends in ".wav", in any letter case.
bool isWaveFileName(const QString &path);

// The 16-character message name, in the unit's form (unitName): a wave file's as GetName gives
// it; any other file's own name up to its last extension, whatever its letter case (a dot that
// starts the name begins no extension).
QString soundFileName(const QString &path);

// Opens the file and says what the header of a wave file holding its samples says. A wave file
// is read by readWaveHeader, and one that cannot be opened is Broken, as before. Any other file
// is decoded to its end first (its frames counted, its damage found, memory staying the same
// however long it is); one that cannot be decoded is Refused, `message` naming the file and the
// reason.
WaveHeaderReading readSoundFile(const QString &path);

// The device the file's samples are read through, not yet opened: the file itself for a wave
// file, whose header says where its data chunk lies; otherwise the decoded first channel, a mono
// 16-bit data chunk starting at offset 0.
std::unique_ptr<QIODevice> soundFileDevice(const QString &path);
