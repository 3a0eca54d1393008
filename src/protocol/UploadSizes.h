#pragma once

#include <QString>

#include <array>
#include <optional>

struct WaveVariables;

// The sizes, names and halvings of an upload: plain arithmetic on the wave header variables.

// The shortest DataSize the transfer carries: the 224 bytes of the first block and one word.
inline constexpr qint32 ShortestDataSize = 226;
inline constexpr qint32 HighRateLimit = 33000; // Hz
inline constexpr qint32 LowRateLimit = 17000; // Hz

// The 16-character message name made from a wave file's path: the file's own name (after the
// last folder separator) up to its final ".wav" in any letter case, in the unit's form
// (unitName). Nothing when the file's name holds no ".wav".
std::optional<QString> GetName(const QString &wavePath);

// A name as the unit stores it, which is also what the name boxes show, what LocationNames keeps
// and what the "already loaded" test compares: the unit keeps one byte a character, so only
// Latin-1 survives the trip. Latin-1 stays as it is; a letter outside it is decomposed and keeps
// its base letter where that is Latin-1 (o with a double acute becomes o), its marks dropped;
// whatever is still outside Latin-1, and every control character, becomes "_". Then cut to 16
// characters or padded with spaces. A name already in this form comes back unchanged.
QString unitName(const QString &name);

// The number of locations beyond the first that `count` bytes need. Adds MessageOverhead to
// `count` itself, so callers pass a working copy.
int CountExtraLocations(double &count, qint32 capacity);

// Bytes the unit receives for a data chunk: one 16-bit word for every whole frame, whatever
// the channel count and sample width.
qint64 deriveDataSize(qint64 dataChunkSize, int channelCount, int bitsPerSample);

// The four bytes of a value, least significant first.
std::array<quint8, 4> littleEndianBytes(qint32 value);

// Sets DataSize with its byte copies.
void setDataSize(WaveVariables &wave, qint32 dataSize);

// One halving: half the sample rate, half the words (a lone word left over is dropped), and
// ExtraLocations worked out again; the byte copies follow. False when ExtraLocations would
// not fit its byte.
bool HalveSampleRate(WaveVariables &wave);
// ReduceSteps halvings.
bool ReduceHeader(WaveVariables &wave);
