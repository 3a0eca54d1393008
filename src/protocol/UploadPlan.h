#pragma once

#include "protocol/UnitConstants.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

struct DirectoryRecord;
struct WaveHeader;
struct WaveVariables;

// Where a message goes and what it overwrites: the rules an upload follows from the names the
// locations show and the wave header, before anything goes to the unit. Both front ends (the
// window's Update command and tavixctl) take their decisions here and only ask, show and send.

// The name each location (0 to 7) shows, in the unit's form; empty for an empty location.
using ShownNames = std::array<QString, LocationCount>;

// The names after a directory read: a message's name in every location it fills.
ShownNames namesFromDirectory(const QList<DirectoryRecord> &records, qint32 capacity);

// True when `location` holds a later part of a message: the location before it shows the same
// name. Loading there clears the whole message, which the user is asked about first.
bool continuesMessage(const ShownNames &names, int location);

// True when a location shows `name` (the unit's form, see unitName) exactly: two messages must
// never share a name.
bool alreadyLoaded(const ShownNames &names, const QString &name);

// The locations of the message at `location` (0 to 7), in order: the run of neighbouring
// locations around it that carry its name, as a message over several locations shows its name in
// each. Only `location` itself for an empty name. A message elsewhere that merely carries the same
// name is another message and not part of it.
QList<int> messageSpan(const ShownNames &names, int location);

// Takes the header's fields into `wave` with the sizes derived from them (DataSize, its byte
// copies, ExtraLocations). False when a size is beyond what the upload can carry: DataSize past
// 2^31-1 bytes, or more than 255 extra locations.
bool takeWaveHeader(WaveVariables &wave, const WaveHeader &header);

enum class UploadRoute {
    OneLocation, // fits one location as it is (Auto Reduce may still halve it: autoReduce)
    HalvedToOne, // above 33 kHz and too big for one location, halved once it fits one
    Overflow, // needs several locations even so: the overflow choice decides
    TooBig, // "File Is Too Big!": it cannot fit from the location on, even halved
    Broken, // a halving overflowed the header variables
};

// Where a message whose header was taken goes from `location` (0 to 7). A message above 33 kHz
// that needs several locations is halved once on the way (ReduceSteps 1), as the overflow choice
// then sees it.
UploadRoute routeUpload(WaveVariables &wave, int location);

// Auto Reduce on a message that fits one location as it is: above 33 kHz it is halved once.
void autoReduce(WaveVariables &wave);

enum class OverflowChoice { Proceed, DownSample, Cancel };

// The choices offered for a message of dataSize bytes at sampleRate Hz from `location`, with
// the locations each would fill: Proceed only when the message fits the locations left as it
// is, Down Sample only above 17 kHz (an estimate: a quarter of the size above 33 kHz, a half
// above 17 kHz). Cancel is always offered.
struct OverflowOffer {
    std::optional<int> proceedLocations;
    std::optional<int> downSampleLocations;

    bool offers(OverflowChoice choice) const
    {
        return choice == OverflowChoice::Proceed   ? proceedLocations.has_value()
            : choice == OverflowChoice::DownSample ? downSampleLocations.has_value()
                                                   : true;
    }
};
OverflowOffer overflowOffer(qint32 dataSize, qint32 sampleRate, int location, qint32 capacity);

enum class Placement { SeveralLocations, OneLocation, Nothing };

// Down Sample: one more halving. The message then still needs several locations, or fits one;
// Nothing when the halving overflows the header variables.
Placement downSample(WaveVariables &wave);
// What a choice places: Proceed over several locations, Down Sample as above, Cancel nothing.
Placement placementFor(OverflowChoice choice, WaveVariables &wave);

// The locations a message fills from `location`: the first and `extraLocations` more, never past
// the last location.
QList<int> filledLocations(int location, int extraLocations);

// The erases a placement needs, in order and each once: every message that a location to be
// filled shows, whole (the earlier parts of the one at `location`, the later parts of the one in
// the last location filled). Taken from the names before the first erase.
QList<int> placementErasures(const ShownNames &shown, int location, int extraLocations);
