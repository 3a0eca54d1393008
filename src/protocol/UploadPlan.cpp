#include "protocol/UploadPlan.h"

#include "protocol/DirectoryRecord.h"
#include "protocol/UploadSizes.h"
#include "protocol/UsageBars.h"
#include "protocol/WaveHeader.h"
#include "protocol/WaveVariables.h"

#include <algorithm>
#include <limits>

namespace {

bool validLocation(int location)
{
    return location >= 0 && location < LocationCount;
}

const QString &nameAt(const ShownNames &names, int location)
{
    return names.at(static_cast<size_t>(location));
}

} // namespace

ShownNames namesFromDirectory(const QList<DirectoryRecord> &records, qint32 capacity)
{
    ShownNames names;
    for (const DirectoryRecord &record : records)
        for (const BarPaint &bar : usageBars(record.location, record.bytesOccupied, capacity))
            names.at(static_cast<size_t>(bar.location)) = record.name;
    return names;
}

bool continuesMessage(const ShownNames &names, int location)
{
    if (location <= 0 || location >= LocationCount)
        return false;
    const QString &current = nameAt(names, location);
    return !current.isEmpty() && nameAt(names, location - 1) == current;
}

bool alreadyLoaded(const ShownNames &names, const QString &name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

QList<int> messageSpan(const ShownNames &names, int location)
{
    if (!validLocation(location))
        return {};
    const QString &name = nameAt(names, location);
    int first = location;
    int last = location;
    if (!name.isEmpty()) {
        while (first > 0 && nameAt(names, first - 1) == name)
            --first;
        while (last < LocationCount - 1 && nameAt(names, last + 1) == name)
            ++last;
    }
    QList<int> span;
    for (int i = first; i <= last; ++i)
        span << i;
    return span;
}

bool takeWaveHeader(WaveVariables &wave, const WaveHeader &header)
{
    wave.FmtChunkLength = header.fmtChunkLength;
    wave.ChannelCount = header.channelCount;
    wave.BitsPerSample = header.bitsPerSample;
    wave.SampleRate = header.sampleRate;
    wave.SampleRateBytes = header.sampleRateBytes;
    wave.DataOffset = header.dataOffset;
    wave.DataChunkSize = header.dataChunkSize;

    const qint64 dataSize
        = deriveDataSize(header.dataChunkSize, header.channelCount, header.bitsPerSample);
    if (dataSize > std::numeric_limits<qint32>::max())
        return false;
    setDataSize(wave, static_cast<qint32>(dataSize));
    double count = wave.DataSize;
    const int extra = CountExtraLocations(count, wave.LocationCapacity);
    if (extra > 255)
        return false;
    wave.ExtraLocations = static_cast<quint8>(extra);
    return true;
}

UploadRoute routeUpload(WaveVariables &wave, int location)
{
    if (wave.ExtraLocations == 0)
        return UploadRoute::OneLocation;
    const double available = static_cast<double>(LocationCount - location) * wave.LocationCapacity;

    if (wave.SampleRate > HighRateLimit) {
        if (wave.DataSize / 4.0 + MessageOverhead > available)
            return UploadRoute::TooBig;
        wave.ReduceSteps = 1;
        if (!ReduceHeader(wave))
            return UploadRoute::Broken;
        if (static_cast<qint64>(wave.DataSize) + MessageOverhead <= wave.LocationCapacity)
            return UploadRoute::HalvedToOne;
    }
    // Down Sample would halve it once more (above 17 kHz): it is too big only when even that
    // does not fit.
    const double needed = wave.SampleRate > LowRateLimit ? wave.DataSize / 2.0 + MessageOverhead
                                                         : wave.DataSize + double(MessageOverhead);
    return needed > available ? UploadRoute::TooBig : UploadRoute::Overflow;
}

void autoReduce(WaveVariables &wave)
{
    if (wave.SampleRate <= HighRateLimit)
        return;
    wave.ReduceSteps = 1;
    ReduceHeader(wave);
}

OverflowOffer overflowOffer(qint32 dataSize, qint32 sampleRate, int location, qint32 capacity)
{
    OverflowOffer offer;
    const qint64 available = static_cast<qint64>(LocationCount - location) * capacity;
    if (static_cast<qint64>(dataSize) + MessageOverhead <= available) {
        double count = dataSize;
        offer.proceedLocations = CountExtraLocations(count, capacity) + 1;
    }
    qint32 estimate = 0;
    if (sampleRate > HighRateLimit)
        estimate = dataSize / 4;
    else if (sampleRate > LowRateLimit)
        estimate = dataSize / 2;
    else
        return offer;
    double count = estimate;
    offer.downSampleLocations = CountExtraLocations(count, capacity) + 1;
    return offer;
}

Placement downSample(WaveVariables &wave)
{
    double count = wave.DataSize / 2.0;
    const int extra = CountExtraLocations(count, wave.LocationCapacity);
    ++wave.ReduceSteps;
    if (!HalveSampleRate(wave))
        return Placement::Nothing;
    return extra > 0 ? Placement::SeveralLocations : Placement::OneLocation;
}

Placement placementFor(OverflowChoice choice, WaveVariables &wave)
{
    switch (choice) {
    case OverflowChoice::Proceed:
        return Placement::SeveralLocations;
    case OverflowChoice::DownSample:
        return downSample(wave);
    case OverflowChoice::Cancel:
        break;
    }
    return Placement::Nothing;
}

QList<int> filledLocations(int location, int extraLocations)
{
    QList<int> filled;
    if (!validLocation(location))
        return filled;
    for (int i = location; i < LocationCount && i <= location + extraLocations; ++i)
        filled << i;
    return filled;
}

QList<int> placementErasures(const ShownNames &shown, int location, int extraLocations)
{
    QList<int> erasures;
    for (int filled : filledLocations(location, extraLocations))
        for (int i : messageSpan(shown, filled))
            if (!erasures.contains(i))
                erasures << i;
    return erasures;
}
