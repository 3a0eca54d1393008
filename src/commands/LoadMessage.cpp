#include "commands/LoadMessage.h"

#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "commands/PaintUsageBars.h"
#include "commands/Prompter.h"
#include "link/SaxComm.h"
#include "protocol/SampleReader.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadSizes.h"
#include "settings/Declarations.h"

#include <cmath>

namespace {

// The status text of a failed transfer, and the message box before it; either may be empty.
struct FailureTexts {
    QString message;
    QString status;
};

FailureTexts failureTexts(UploadCode code)
{
    switch (code) {
    case UploadCode::NoLoadAck:
        return { {}, QStringLiteral("Load Error!") };
    case UploadCode::HeaderRefused:
        return { {}, QStringLiteral("Totals Error 1") };
    case UploadCode::FirstBlockRefused:
        return { QStringLiteral("ERROR on Acknowledge 2"), {} };
    case UploadCode::PrematureK:
        return { {}, QStringLiteral("Error, premature OK!") };
    case UploadCode::TransmissionError:
        return { {}, QStringLiteral("Error on transmission!") };
    case UploadCode::NoFinalK:
        return { {}, QStringLiteral("Error, no final OK!") };
    case UploadCode::Aborted:
        return { {}, QStringLiteral("Loading Aborted") };
    case UploadCode::Stored:
    case UploadCode::EndedByHook:
    case UploadCode::FileReadFailed:
    case UploadCode::CommFailed:
    case UploadCode::InvalidJob:
        break;
    }
    // The file, the port or the job: the window has one text for all of them.
    return { QStringLiteral("File Read Error!"), QStringLiteral("Error 5") };
}

} // namespace

bool LoadMessage(CommandContext &context, int location)
{
    modDeclarations &decl = context.declarations;
    MainSurface &surface = context.surface;
    decl.CurrentOperation = QStringLiteral("Load");
    // Stop is offered for the whole transfer, whatever state the steps before it left the
    // window in.
    surface.SetBusyControls();
    surface.setProgressValue(0);
    surface.setProgressVisible(true);
    surface.setStatus(QStringLiteral("Loading Position %1 - - -").arg(location + 1));
    context.comm.takeError();

    SampleReader reader(decl.WavePath,
        SampleReader::Format { decl.DataOffset, decl.DataChunkSize, decl.BitsPerSample,
            SampleSkip(decl.ReduceSteps, decl.BitsPerSample, decl.ChannelCount) },
        context.random);
    UploadJob job;
    job.location = location;
    // The box holds the unit's form of the name already, which unitName leaves as it is: no
    // character can reach the unit as anything but what the box shows.
    job.name = unitName(surface.messageText(location)).toLatin1();
    job.rateBytes = decl.SampleRateBytes;
    job.dataSize = decl.DataSize;
    job.samples = &reader;

    bool windowLoaded = true;
    UploadHooks hooks;
    // Window events run once per block, while the unit acknowledges what went out before it; a
    // Stop pressed while they run is seen at the top of that block when it is a full or final
    // one, and at the top of the first full block when it came before the first block.
    hooks.beforeBlock = [&] { return windowLoaded = surface.letEventsRun(); };
    hooks.cancelled = [&] { return decl.CurrentOperation == QStringLiteral("Abort"); };
    // The bar shows what the unit has acknowledged, not the block under way.
    hooks.progress = [&](qint32 sent, qint32 total) {
        surface.setProgressValue(
            static_cast<int>(std::nearbyint(static_cast<double>(sent) / total * 100)));
    };

    const UploadOutcome outcome = context.unit.upload(job, hooks);
    if (!windowLoaded)
        return false;
    surface.setProgressVisible(false);
    if (outcome.ok()) {
        surface.setStatus(QString::number(outcome.bytesSent) + QStringLiteral(" bytes sent"));
        paintUsageBars(surface, location, outcome.bytesSent, decl.LocationCapacity);
        return true;
    }
    const FailureTexts texts = failureTexts(outcome.code);
    if (!texts.message.isEmpty())
        context.prompter.message(texts.message);
    if (!texts.status.isEmpty())
        surface.setStatus(texts.status);
    return true;
}
