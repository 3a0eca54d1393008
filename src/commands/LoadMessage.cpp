#include "commands/LoadMessage.h"

#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Prompter.h"
#include "commands/PaintUsageBars.h"
#include "link/CommandExchange.h"
#include "protocol/SampleReader.h"
#include "protocol/UploadSizes.h"
#include "protocol/UploadWire.h"

#include <cmath>

namespace {

constexpr qint32 AckWaitMs = 2000;
constexpr qint32 FinalAckWaitMs = 4000;

class Transfer {
public:
    Transfer(CommandContext &context, int location)
        : m_context(context)
        , m_decl(context.declarations)
        , m_surface(context.surface)
        , m_comm(context.comm)
        , m_location(location)
        , m_reader(m_decl.WavePath,
              SampleReader::Format { m_decl.DataOffset, m_decl.DataChunkSize, m_decl.BitsPerSample,
                  SampleSkip(m_decl.ReduceSteps, m_decl.BitsPerSample, m_decl.ChannelCount) },
              context.random)
    {
    }

    bool run();

private:
    bool isAbort() const { return m_decl.CurrentOperation == QStringLiteral("Abort"); }
    // Sends the block's bytes in one write and reads the acknowledgement into strData. False
    // when the serial component failed.
    bool sendBlock(int dataBytes, qint32 waitMs);
    // Reads the acknowledgement of what was just written. False when the component failed.
    bool readAck(qint32 waitMs);
    // Ends a failed transfer: the file closes and the bar goes, the message box and the status
    // text show when given, and whatever the unit still sends is thrown away.
    void fail(const QString &message, const QString &status);
    void failWithStatus(const QString &status) { fail({}, status); }
    void failBroken() { fail(QStringLiteral("File Read Error!"), QStringLiteral("Error 5")); }
    // Lets window events run; false when the window is gone, the file then closed.
    bool eventsRan();

    CommandContext &m_context;
    modDeclarations &m_decl;
    MainSurface &m_surface;
    SaxComm &m_comm;
    int m_location;
    SampleReader m_reader;
    QByteArray m_block;
};

bool Transfer::readAck(qint32 waitMs)
{
    m_context.strData = readReply(m_comm, 2, waitMs);
    return !m_comm.takeError();
}

bool Transfer::sendBlock(int dataBytes, qint32 waitMs)
{
    // One write per block: the unit sees the same bytes as when each went on its own, and the
    // read that waits for the acknowledgement is set up before anything can arrive unread.
    m_block.clear();
    m_block += static_cast<char>(dataBytes == FullBlockBytes ? 0 : dataBytes);
    m_reader.appendWords(m_block, dataBytes / 2);
    if (!m_reader.healthy())
        return false;
    m_comm.OutputText(m_block);
    return readAck(waitMs);
}

void Transfer::fail(const QString &message, const QString &status)
{
    m_reader.close();
    m_surface.setProgressVisible(false);
    if (!message.isEmpty())
        m_context.prompter.message(message);
    if (!status.isEmpty())
        m_surface.setStatus(status);
    DrainInput(m_comm);
    m_comm.takeError();
}

bool Transfer::eventsRan()
{
    if (m_surface.letEventsRun())
        return true;
    m_reader.close();
    return false;
}

bool Transfer::run()
{
    m_decl.CurrentOperation = QStringLiteral("Load");
    // Stop is offered for the whole transfer, whatever state the steps before it left the
    // window in.
    m_surface.SetBusyControls();
    m_surface.setProgressValue(0);
    m_surface.setProgressVisible(true);
    m_surface.setStatus(QStringLiteral("Loading Position %1 - - -").arg(m_location + 1));

    // The first block always carries 224 bytes and a final block must follow it: a shorter
    // message is padded with silence to the shortest size the exchange can carry.
    if (m_decl.DataSize < ShortestDataSize)
        setDataSize(m_decl, ShortestDataSize);
    const qint32 total = m_decl.DataSize;
    m_comm.takeError();

    if (!m_reader.open()) {
        failBroken();
        return true;
    }

    sendCommand(m_comm, 'L', { locationText(m_location) });
    if (!readAck(AckWaitMs)) {
        failBroken();
        return true;
    }
    if (!m_context.strData.startsWith('N')) {
        failWithStatus(QStringLiteral("Load Error!"));
        return true;
    }

    // The header goes out field by field; its 31 bytes are nothing next to the audio. The box
    // holds the unit's form of the name already, which unitName leaves as it is: no character can
    // reach the unit as anything but what the box shows.
    m_comm.OutputText(unitName(m_surface.messageText(m_location)).toLatin1());
    for (quint8 byte : m_decl.SampleRateBytes)
        m_comm.OutputText(byteText(byte));
    m_comm.OutputText(QByteArrayLiteral("stop"));
    for (quint8 byte : m_decl.DataSizeBytes)
        m_comm.OutputText(byteText(byte));
    m_comm.OutputText(QByteArray(2, '\0'));
    m_comm.OutputText(QByteArray(1, CarriageReturn));
    if (!readAck(AckWaitMs)) {
        failBroken();
        return true;
    }
    if (!m_context.strData.startsWith('N')) {
        failWithStatus(QStringLiteral("Totals Error 1"));
        return true;
    }

    // Window events run once per block, before its samples are read: a Stop pressed during the
    // header or the first block is seen at the top of the first full block.
    if (!eventsRan())
        return false;
    if (!sendBlock(FirstBlockBytes, AckWaitMs)) {
        failBroken();
        return true;
    }
    if (!m_context.strData.startsWith('N')) {
        fail(QStringLiteral("ERROR on Acknowledge 2"), {});
        return true;
    }
    qint32 sent = FirstBlockBytes;
    m_decl.DataSize -= FirstBlockBytes;

    while (!isAbort() && m_decl.DataSize > FullBlockBytes) {
        if (!eventsRan())
            return false;
        // The bar shows what the unit has acknowledged, not the block under way.
        m_surface.setProgressValue(
            static_cast<int>(std::nearbyint(static_cast<double>(sent) / total * 100)));
        if (!sendBlock(FullBlockBytes, AckWaitMs)) {
            failBroken();
            return true;
        }
        if (m_context.strData.startsWith('N')) {
            if (!eventsRan())
                return false;
            m_decl.DataSize -= FullBlockBytes;
            sent += FullBlockBytes;
            continue;
        }
        if (m_context.strData.startsWith('K'))
            failWithStatus(QStringLiteral("Error, premature OK!"));
        else
            failWithStatus(QStringLiteral("Error on transmission!"));
        return true;
    }

    if (isAbort()) {
        failWithStatus(QStringLiteral("Loading Aborted"));
        return true;
    }

    if (!eventsRan())
        return false;
    const qint32 finalBytes = m_decl.DataSize;
    sent += finalBytes;
    if (!sendBlock(finalBytes, FinalAckWaitMs)) {
        failBroken();
        return true;
    }
    m_reader.close();
    if (!m_context.strData.startsWith('K')) {
        failWithStatus(QStringLiteral("Error, no final OK!"));
        return true;
    }
    m_surface.setProgressVisible(false);
    m_surface.setStatus(QString::number(sent) + QStringLiteral(" bytes sent"));
    paintUsageBars(m_surface, m_location, sent, m_decl.LocationCapacity);
    return true;
}

} // namespace

bool LoadMessage(CommandContext &context, int location)
{
    return Transfer(context, location).run();
}
