#include "SimComm.h"

#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/LineSettings.h"

SimComm::SimComm(UnitEngine &engine, VirtualClock &clock, qint16 unitPort) : m_clock(clock)
{
    attach(unitPort, engine);
}

void SimComm::attach(qint16 port, UnitEngine &engine)
{
    m_units.insert(port, &engine);
}

UnitEngine *SimComm::attachedEngine() const
{
    return m_openPort ? m_units.value(*m_openPort, nullptr) : nullptr;
}

void SimComm::PortOpen(bool open)
{
    if (!open) {
        m_openPort.reset();
        return;
    }
    if (m_openPort)
        return;
    if (m_openRaises) {
        raise(CommFault::OpenFailed, QStringLiteral("The port could not be opened."));
        return;
    }
    if (m_units.contains(m_portNumber) || m_emptyPorts.contains(m_portNumber))
        m_openPort = m_portNumber;
}

void SimComm::LineSettings(const QString &settings)
{
    m_lineSettings = settings;
    if (!m_openPort)
        raise(CommFault::NotOpen, QStringLiteral("The port is not open."));
    else if (!parseLineSettings(settings))
        raise(CommFault::BadSettings, QStringLiteral("Line settings not accepted: %1").arg(settings));
}

void SimComm::OutputText(const QByteArray &text)
{
    if (!m_openPort) {
        raise(CommFault::NotOpen, QStringLiteral("The port is not open."));
        return;
    }
    if (m_gone) {
        raise(CommFault::Gone, QStringLiteral("The serial device is gone."));
        return;
    }
    m_line.append(LineEvent{LineEvent::Write, text, 0, 0, m_clock.now()});
    if (UnitEngine *engine = attachedEngine())
        engine->receive(text, m_clock.now());
}

QByteArray SimComm::InputText()
{
    if (!m_openPort) {
        raise(CommFault::NotOpen, QStringLiteral("The port is not open."));
        return {};
    }
    if (m_gone) {
        raise(CommFault::Gone, QStringLiteral("The serial device is gone."));
        return {};
    }
    const qint32 count = qMax(0, m_readCount);
    const qint64 deadline = m_clock.now() + qMax(0, m_readWait);
    QByteArray bytes;
    if (UnitEngine *engine = attachedEngine()) {
        // The read ends when the count-th byte is there, or when the wait runs out.
        const auto full = count > 0 ? engine->readyTime(count - 1) : std::optional<qint64>(m_clock.now());
        if (full && *full <= deadline)
            m_clock.advanceTo(*full);
        else
            m_clock.advanceTo(deadline);
        bytes = engine->take(count, m_clock.now());
    } else {
        m_clock.advanceTo(deadline);
    }
    m_line.append(LineEvent{LineEvent::Read, bytes, count, m_readWait, m_clock.now()});
    return bytes;
}

qint64 SimComm::clockMs() const
{
    return m_clock.now();
}

QByteArray SimComm::written() const
{
    QByteArray bytes;
    for (const LineEvent &event : m_line)
        if (event.kind == LineEvent::Write)
            bytes += event.bytes;
    return bytes;
}
