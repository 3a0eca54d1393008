#include "protocol/TavixUnit.h"

#include "link/CommandExchange.h"
#include "protocol/SampleSource.h"
#include "protocol/UploadSizes.h"
#include "protocol/UploadWire.h"

#include <utility>

// The "L" exchange: the command, the header record, then the blocks, each acknowledged "N"
// but the last, which the unit answers "K" once the message is stored. The next block is read
// from the samples while the unit takes in the one just written and acknowledges it.
class UploadTransfer {
public:
    UploadTransfer(TavixUnit &unit, const UploadJob &job, const UploadHooks &hooks)
        : m_unit(unit)
        , m_comm(unit.m_comm)
        , m_job(job)
        , m_hooks(hooks)
    {
    }

    UploadOutcome run();

private:
    QString invalidJob() const;
    // Reads the samples of the block after the one under way.
    void prepare();
    // Writes the prepared block in one write and starts preparing the one after it.
    void sendPrepared();
    // The acknowledgement of what was just written; false when the component failed.
    bool readAck(qint32 waitMs);
    // A read acknowledgement that does not begin with `letter` ends the transfer with `code`.
    bool expect(char letter, qint32 waitMs, UploadCode code);
    // The caller's events run while the unit takes in what was just written, off the path from
    // one acknowledgement to the next block; false ends the transfer with nothing more sent.
    bool letEventsRun() { return !m_hooks.beforeBlock || m_hooks.beforeBlock(); }
    UploadOutcome endedByHook();
    bool cancelled() { return m_hooks.cancelled && m_hooks.cancelled(); }
    // Ends a failed transfer: the samples close and whatever the unit still sends is thrown
    // away, so that it does not meet the next command.
    UploadOutcome fail(UploadCode code, const QString &detail = {});

    TavixUnit &m_unit;
    SaxComm &m_comm;
    const UploadJob &m_job;
    const UploadHooks &m_hooks;
    UploadOutcome m_outcome;
    // Data bytes not yet read into a block, and not yet written.
    qint32 m_unprepared = 0;
    qint32 m_unwritten = 0;
    QByteArray m_block;
    QByteArray m_next;
    int m_nextBytes = 0;
    std::optional<UploadOutcome> m_failed;
};

QString UploadTransfer::invalidJob() const
{
    if (m_job.location < 0 || m_job.location >= LocationCount)
        return QStringLiteral("location %1 is not one of 0 to 7").arg(m_job.location);
    if (m_job.name.size() != 16)
        return QStringLiteral("the name has %1 bytes, not 16").arg(m_job.name.size());
    if (!m_job.samples)
        return QStringLiteral("no samples");
    // Blocks carry whole words; an odd count would announce a byte that never comes.
    if (m_outcome.total % 2 != 0)
        return QStringLiteral("an odd data size of %1 bytes").arg(m_outcome.total);
    return {};
}

void UploadTransfer::prepare()
{
    m_nextBytes = m_unprepared == m_outcome.total ? FirstBlockBytes
                                                  : qMin<qint32>(FullBlockBytes, m_unprepared);
    m_next.clear();
    m_next += static_cast<char>(m_nextBytes == FullBlockBytes ? 0 : m_nextBytes);
    m_job.samples->appendWords(m_next, m_nextBytes / 2);
    m_unprepared -= m_nextBytes;
}

void UploadTransfer::sendPrepared()
{
    std::swap(m_block, m_next);
    m_unwritten -= m_nextBytes;
    m_comm.OutputText(m_block);
    if (m_unprepared > 0)
        prepare();
}

bool UploadTransfer::readAck(qint32 waitMs)
{
    m_outcome.reply = m_unit.read(2, waitMs);
    if (const auto error = m_comm.takeError()) {
        m_failed = fail(UploadCode::CommFailed, error->text);
        return false;
    }
    return true;
}

bool UploadTransfer::expect(char letter, qint32 waitMs, UploadCode code)
{
    if (!readAck(waitMs))
        return false;
    if (m_outcome.reply.startsWith(letter))
        return true;
    m_failed = fail(code);
    return false;
}

UploadOutcome UploadTransfer::fail(UploadCode code, const QString &detail)
{
    m_job.samples->close();
    DrainInput(m_comm);
    m_comm.takeError();
    m_outcome.code = code;
    m_outcome.detail = detail;
    return m_outcome;
}

UploadOutcome UploadTransfer::endedByHook()
{
    // The caller is going away: the acknowledgement under way is left for the next command's
    // discard.
    m_job.samples->close();
    m_outcome.code = UploadCode::EndedByHook;
    return m_outcome;
}

UploadOutcome UploadTransfer::run()
{
    // The first block always carries 224 bytes and a final block must follow it: a shorter
    // message is padded with silence to the shortest size the exchange can carry.
    m_outcome.total = qMax(m_job.dataSize, ShortestDataSize);
    if (const QString wrong = invalidJob(); !wrong.isEmpty()) {
        m_outcome.code = UploadCode::InvalidJob;
        m_outcome.detail = wrong;
        return m_outcome;
    }
    const UnitTimeouts &timeouts = m_unit.m_timeouts;
    if (!m_job.samples->open())
        return fail(UploadCode::FileReadFailed);

    sendCommand(m_comm, 'L', { locationText(m_job.location) });
    if (!expect('N', timeouts.ackMs, UploadCode::NoLoadAck))
        return *m_failed;

    // The header goes out field by field; its 31 bytes are nothing next to the audio.
    m_comm.OutputText(m_job.name);
    for (quint8 byte : m_job.rateBytes)
        m_comm.OutputText(byteText(byte));
    m_comm.OutputText(QByteArrayLiteral("stop"));
    for (quint8 byte : littleEndianBytes(m_outcome.total))
        m_comm.OutputText(byteText(byte));
    m_comm.OutputText(QByteArray(2, '\0'));
    m_comm.OutputText(QByteArray(1, CarriageReturn));
    m_unprepared = m_unwritten = m_outcome.total;
    prepare();
    // Events run once for each block: while the header is acknowledged for the first block,
    // and while each block but the final one is acknowledged for the block after it.
    if (!letEventsRun())
        return endedByHook();
    if (!expect('N', timeouts.ackMs, UploadCode::HeaderRefused))
        return *m_failed;

    if (!m_job.samples->healthy())
        return fail(UploadCode::FileReadFailed);
    sendPrepared();
    if (!letEventsRun())
        return endedByHook();
    if (!expect('N', timeouts.ackMs, UploadCode::FirstBlockRefused))
        return *m_failed;
    m_outcome.bytesSent = FirstBlockBytes;

    // Full blocks, then the final one; Stop is seen at the top of each.
    while (true) {
        const bool final = m_unwritten <= FullBlockBytes;
        if (cancelled())
            return fail(UploadCode::Aborted);
        if (!final && m_hooks.progress)
            m_hooks.progress(m_outcome.bytesSent, m_outcome.total);
        if (!m_job.samples->healthy())
            return fail(UploadCode::FileReadFailed);
        const int blockBytes = m_nextBytes;
        sendPrepared();
        if (!final && !letEventsRun())
            return endedByHook();
        if (!readAck(final ? timeouts.finalAckMs : timeouts.ackMs))
            return *m_failed;
        if (final) {
            if (!m_outcome.reply.startsWith('K'))
                return fail(UploadCode::NoFinalK);
            m_job.samples->close();
            m_outcome.bytesSent += blockBytes;
            m_outcome.code = UploadCode::Stored;
            return m_outcome;
        }
        if (!m_outcome.reply.startsWith('N'))
            return fail(m_outcome.reply.startsWith('K') ? UploadCode::PrematureK
                                                        : UploadCode::TransmissionError);
        m_outcome.bytesSent += blockBytes;
    }
}

UploadOutcome TavixUnit::upload(const UploadJob &job, const UploadHooks &hooks)
{
    return UploadTransfer(*this, job, hooks).run();
}
