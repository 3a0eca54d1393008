#include "Upload.h"

#include "CommandLine.h"
#include "Connection.h"
#include "Console.h"
#include "Interrupt.h"
#include "Progress.h"
#include "UnitLink.h"
#include "protocol/SampleReader.h"
#include "protocol/SoundFile.h"
#include "protocol/UploadPlan.h"
#include "protocol/UploadSizes.h"
#include "protocol/UploadWire.h"
#include "protocol/WaveHeader.h"
#include "protocol/WaveVariables.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <variant>

namespace {

Outcome refused(const QString &message)
{
    return Outcome::fail(ExitFileRefused, message);
}

// The continuation question: loading at a later part of a message clears all of it.
Outcome confirmContinuation(const Request &request, const QString &current)
{
    if (request.yes)
        return Outcome::ok();
    const QString question = QStringLiteral("This will clear all of the message '") + current
        + QStringLiteral("' do you want to continue?");
    if (!Console::canAsk())
        return refused(QStringLiteral("location %1 holds a later part of '%2': --yes is needed "
                                      "when no terminal can be asked")
                           .arg(*request.location + 1)
                           .arg(current.trimmed()));
    const auto yes = Console::askYesNo(question);
    if (!yes || !*yes)
        return Outcome::fail(ExitInterrupted, QStringLiteral("Command cancelled!"));
    return Outcome::ok();
}

QString choiceName(OverflowChoice choice)
{
    switch (choice) {
    case OverflowChoice::Proceed:
        return QStringLiteral("proceed");
    case OverflowChoice::DownSample:
        return QStringLiteral("down-sample");
    case OverflowChoice::Cancel:
        break;
    }
    return QStringLiteral("cancel");
}

// The overflow choice: --overflow, else asked on a terminal. Only an offered choice counts.
std::variant<OverflowChoice, Outcome> overflowChoice(
    const Request &request, const OverflowOffer &offer)
{
    if (request.overflow) {
        if (!offer.offers(*request.overflow))
            return refused(QStringLiteral("--overflow %1 is not offered for this file")
                               .arg(choiceName(*request.overflow)));
        return *request.overflow;
    }
    if (!Console::canAsk())
        return refused(QStringLiteral("the file needs several locations: --overflow is needed when "
                                      "no terminal can be asked"));
    QStringList choices;
    QString question = QStringLiteral("The file needs several locations.\n");
    if (offer.proceedLocations) {
        choices << choiceName(OverflowChoice::Proceed);
        question
            += QStringLiteral("  proceed: fill %1 memory locations\n").arg(*offer.proceedLocations);
    }
    if (offer.downSampleLocations) {
        choices << choiceName(OverflowChoice::DownSample);
        question
            += QStringLiteral("  down-sample: halve the rate to fit into %1 memory location%2\n")
                   .arg(*offer.downSampleLocations)
                   .arg(*offer.downSampleLocations == 1 ? QString() : QStringLiteral("s"));
    }
    choices << choiceName(OverflowChoice::Cancel);
    question += QStringLiteral("  cancel: load nothing\nYour choice?");
    const auto answer = Console::askChoice(question, choices);
    if (!answer || *answer == choiceName(OverflowChoice::Cancel))
        return Outcome::fail(ExitInterrupted, QStringLiteral("Command cancelled!"));
    return *answer == choiceName(OverflowChoice::Proceed) ? OverflowChoice::Proceed
                                                          : OverflowChoice::DownSample;
}

// The texts the window shows for a transfer that failed.
Outcome transferFailure(int location, const UploadOutcome &outcome)
{
    const QString what = QStringLiteral("loading location %1").arg(location + 1);
    const auto failed = [&what](const QString &text) {
        return Outcome::fail(ExitUnitFailed, QStringLiteral("%1: %2").arg(what, text));
    };
    switch (outcome.code) {
    case UploadCode::Stored:
        return Outcome::ok();
    case UploadCode::NoLoadAck:
        return failed(QStringLiteral("Load Error!"));
    case UploadCode::HeaderRefused:
        return failed(QStringLiteral("Totals Error 1"));
    case UploadCode::FirstBlockRefused:
        return failed(QStringLiteral("ERROR on Acknowledge 2"));
    case UploadCode::PrematureK:
        return failed(QStringLiteral("Error, premature OK!"));
    case UploadCode::TransmissionError:
        return failed(QStringLiteral("Error on transmission!"));
    case UploadCode::NoFinalK:
        return failed(QStringLiteral("Error, no final OK!"));
    case UploadCode::Aborted:
        return Outcome::fail(ExitInterrupted,
            QStringLiteral("%1: Loading Aborted after %2 of %3 bytes")
                .arg(what)
                .arg(outcome.bytesSent)
                .arg(outcome.total));
    case UploadCode::FileReadFailed:
        return refused(QStringLiteral("%1: File Read Error!").arg(what));
    case UploadCode::CommFailed:
    case UploadCode::EndedByHook:
    case UploadCode::InvalidJob:
        break;
    }
    return failed(outcome.detail);
}

// The unit lists the message at `location` under `name` with `bytes` of audio.
bool listed(const UnitDirectory &directory, int location, const QByteArray &name, qint64 bytes)
{
    return std::any_of(
        directory.records.begin(), directory.records.end(), [&](const DirectoryRecord &record) {
            return record.location == location && record.name.toLatin1() == name
                && record.bytesOccupied - MessageOverhead == bytes;
        });
}

} // namespace

Outcome runUpload(const Request &request, UnitLink &link)
{
    const QString path = request.arguments.first();
    const int location = *request.location;
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    UnitDirectory directory;
    if (Outcome read = readWholeDirectory(unit, directory); !read.succeeded())
        return read;
    const ShownNames names = namesFromDirectory(directory.records, LocationBytes);

    if (continuesMessage(names, location))
        if (Outcome asked = confirmContinuation(request, names.at(static_cast<size_t>(location)));
            !asked.succeeded())
            return asked;

    // Wave files by today's reader; every other sound file by its content, decoded.
    const QString name = soundFileName(path);
    if (alreadyLoaded(names, name))
        return refused(QStringLiteral("File already loaded, erase before reloading!"));
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("%1: %2").arg(path, file.errorString()));

    WaveVariables wave;
    wave.WavePath = path;
    const WaveHeaderReading reading = readSoundFile(path);
    if (reading.outcome == WaveHeaderReading::Outcome::Refused)
        return refused(QStringLiteral("%1: %2").arg(
            path, QString(reading.message).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    if (reading.outcome == WaveHeaderReading::Outcome::Broken
        || !takeWaveHeader(wave, reading.header))
        return refused(QStringLiteral("%1: File Is Too Big!").arg(path));

    Placement placement = Placement::OneLocation;
    switch (routeUpload(wave, location)) {
    case UploadRoute::OneLocation:
        if (request.autoReduce)
            autoReduce(wave);
        break;
    case UploadRoute::HalvedToOne:
        break;
    case UploadRoute::Overflow: {
        const auto choice = overflowChoice(request,
            overflowOffer(wave.DataSize, wave.SampleRate, location, wave.LocationCapacity));
        if (const Outcome *stop = std::get_if<Outcome>(&choice))
            return *stop;
        placement = placementFor(std::get<OverflowChoice>(choice), wave);
        if (placement == Placement::Nothing)
            return refused(QStringLiteral("%1: not loaded (--overflow %2)")
                               .arg(path, choiceName(std::get<OverflowChoice>(choice))));
        break;
    }
    case UploadRoute::TooBig:
    case UploadRoute::Broken:
        return refused(QStringLiteral("%1: File Is Too Big!").arg(path));
    }
    const int extra = placement == Placement::SeveralLocations ? wave.ExtraLocations : 0;

    for (int i : placementErasures(names, location, extra)) {
        const UnitResult erased = unit.erase(i);
        if (!erased.ok())
            return unitFailure(QStringLiteral("erasing location %1").arg(i + 1), erased);
    }

    SampleReader reader(path,
        SampleReader::Format { wave.DataOffset, wave.DataChunkSize, wave.BitsPerSample,
            SampleSkip(wave.ReduceSteps, wave.BitsPerSample, wave.ChannelCount) },
        *QRandomGenerator::global());
    const UploadJob job { location, name.toLatin1(), wave.SampleRateBytes, wave.DataSize,
        &reader };
    Progress progress(Console::stdoutIsTerminal(), qMax(wave.DataSize, ShortestDataSize));
    const InterruptFlag interrupt;
    UploadHooks hooks;
    hooks.progress = [&progress](qint32 sent, qint32) { progress.update(sent); };
    hooks.cancelled = [&interrupt] { return interrupt.raised(); };
    const UploadOutcome outcome = unit.upload(job, hooks);
    if (outcome.ok())
        progress.update(outcome.total);
    progress.finish();
    if (Outcome sent = transferFailure(location, outcome); !sent.succeeded())
        return sent;

    UnitDirectory after;
    if (Outcome read = readWholeDirectory(unit, after); !read.succeeded())
        return read;
    if (!listed(after, location, job.name, outcome.total))
        return Outcome::fail(ExitUnitFailed,
            QStringLiteral("the unit does not list '%1' at location %2 with %3 bytes")
                .arg(name.trimmed())
                .arg(location + 1)
                .arg(outcome.total));
    Console::out(QStringLiteral("%1 bytes sent").arg(outcome.total));
    return Outcome::ok();
}
