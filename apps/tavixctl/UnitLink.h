#pragma once

#include "link/SaxComm.h"
#include "protocol/TavixUnit.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class UnitEngine;
class VirtualClock;

// Which unit a run talks to: a port number, a device path, or the simulated unit of --sim.
struct PortChoice {
    enum class Kind { Number, Device, Simulated };
    Kind kind = Kind::Number;
    int number = 1;
    QString device;
};

// The serial component and the unit session of one run. A device path is opened as port 1
// through a link of this run's own, so no shared state is touched; the simulated unit runs
// in-process on a virtual clock, holding the demo's messages afresh each run.
class UnitLink {
public:
    UnitLink(const PortChoice &choice, const QString &portsDir);
    ~UnitLink();
    UnitLink(const UnitLink &) = delete;
    UnitLink &operator=(const UnitLink &) = delete;

    SaxComm &comm() { return *m_comm; }
    TavixUnit &unit() { return *m_unit; }
    // The port number the choice stands for.
    int number() const { return m_number; }
    // "port 3", or the device path.
    QString portName(int number) const;

    // Opens port `number`; the component's text when it cannot be opened.
    std::optional<QString> open(int number);
    // Waits on the line's clock: the simulated unit's time passes at once.
    void pause(int milliseconds);

private:
    PortChoice m_choice;
    int m_number = 1;
    QTemporaryDir m_links;
    std::unique_ptr<VirtualClock> m_clock;
    std::unique_ptr<UnitEngine> m_engine;
    std::unique_ptr<SaxComm> m_comm;
    std::unique_ptr<TavixUnit> m_unit;
};
