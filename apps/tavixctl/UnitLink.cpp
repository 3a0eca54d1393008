#include "UnitLink.h"

#include "Preload.h"
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/SerialPortComm.h"

#include <QDir>
#include <QFile>
#include <QThread>

namespace {

// The number a device path is opened as.
constexpr int DevicePortNumber = 1;

} // namespace

UnitLink::UnitLink(const PortChoice &choice, const QString &portsDir)
    : m_choice(choice)
    , m_number(choice.kind == PortChoice::Kind::Number ? choice.number : DevicePortNumber)
{
    switch (choice.kind) {
    case PortChoice::Kind::Simulated:
        m_clock = std::make_unique<VirtualClock>();
        m_engine = std::make_unique<UnitEngine>();
        Preload::storeDemo(*m_engine);
        m_comm = std::make_unique<SimComm>(*m_engine, *m_clock, DevicePortNumber);
        break;
    case PortChoice::Kind::Device:
        // A link that cannot be made leaves the number without a device: opening fails then.
        if (m_links.isValid())
            QFile::link(choice.device,
                QDir(m_links.path()).filePath(QStringLiteral("com%1").arg(DevicePortNumber)));
        m_comm = std::make_unique<SerialPortComm>(m_links.path());
        break;
    case PortChoice::Kind::Number:
        m_comm = std::make_unique<SerialPortComm>(portsDir);
        break;
    }
    m_unit = std::make_unique<TavixUnit>(*m_comm);
}

// Members go in reverse order: the session and the component before the simulated unit.
UnitLink::~UnitLink() = default;

QString UnitLink::portName(int number) const
{
    if (m_choice.kind == PortChoice::Kind::Device)
        return m_choice.device;
    if (m_choice.kind == PortChoice::Kind::Simulated)
        return QStringLiteral("the simulated unit's port %1").arg(number);
    return QStringLiteral("port %1").arg(number);
}

std::optional<QString> UnitLink::open(int number)
{
    m_comm->takeError();
    m_comm->PortNumber(static_cast<qint16>(number));
    m_comm->PortOpen(true);
    if (const auto error = m_comm->takeError())
        return error->text;
    if (!m_comm->PortOpen())
        return QStringLiteral("%1 could not be opened").arg(portName(number));
    return std::nullopt;
}

void UnitLink::pause(int milliseconds)
{
    if (m_clock)
        m_clock->advance(milliseconds);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}
