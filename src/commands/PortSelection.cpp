#include "commands/PortSelection.h"

#include "settings/Declarations.h"
#include "settings/NumberRules.h"
#include "commands/Prompter.h"
#include "settings/Settings.h"
#include "commands/WindowHost.h"
#include "link/PortMap.h"
#include "link/PortPins.h"

PortSelection::PortSelection(modDeclarations &declarations, const AppPaths &paths,
                             Prompter &prompter, WindowHost &windows, const PortSystem &system)
    : m_declarations(declarations), m_paths(paths), m_prompter(prompter), m_windows(windows),
      m_system(system)
{
}

QStringList PortSelection::portItems()
{
    QStringList items{QStringLiteral("Auto")};
    for (int port = FirstPortNumber; port <= LastPortNumber; ++port)
        items << QString::number(port);
    return items;
}

QString PortSelection::Form_Load()
{
    m_ports = portInventory(m_paths.portsDir, m_system);
    const QString text = QString::number(m_declarations.CommPort);
    pick(text);
    return text;
}

std::optional<PortInventoryRow> PortSelection::row(const QString &text) const
{
    if (text == u"Auto")
        return std::nullopt;
    const auto number = readPortNumber(text);
    if (!number || *number < FirstPortNumber || *number > m_ports.size())
        return std::nullopt;
    return m_ports.at(*number - 1);
}

QString PortSelection::describe(const QString &text) const
{
    if (text == u"Auto")
        return QStringLiteral("Searches ports 1 to 255 for the unit.");
    const auto port = row(text);
    if (!port || !port->hasDevice())
        return QStringLiteral("No device on this computer.");
    QStringList lines{QStringLiteral("Device: %1").arg(port->device)};
    if (const QString adapter = port->adapterText(); !adapter.isEmpty())
        lines << adapter;
    if (port->pinned)
        lines << QStringLiteral("Pinned: this number stays with this device.");
    if (const QString access = port->accessText(); !access.isEmpty())
        lines << access;
    return lines.join(u'\n');
}

PortSelection::Refresh PortSelection::refreshPorts(const QString &text)
{
    Refresh refresh;
    QList<PortInventoryRow> ports = portInventory(m_paths.portsDir, m_system);
    refresh.changed = ports != m_ports;
    m_ports = std::move(ports);
    if (!refresh.changed || m_picked.isEmpty())
        return refresh;
    if (const auto shown = row(text); shown && shown->hasDevice() && shown->identity() == m_picked)
        return refresh;
    // The adapter the user picked has another number now: a number pinned to it before the
    // place the system's order gives it.
    for (const bool pinned : {true, false}) {
        for (const PortInventoryRow &port : std::as_const(m_ports)) {
            if (port.pinned == pinned && port.hasDevice() && port.identity() == m_picked) {
                refresh.text = QString::number(port.number);
                return refresh;
            }
        }
    }
    return refresh;
}

void PortSelection::pick(const QString &text)
{
    const auto port = row(text);
    m_picked = port && port->hasDevice() ? port->identity() : QString();
}

void PortSelection::cmdPin_Click(const QString &text)
{
    const auto port = row(text);
    if (!port || !port->hasDevice())
        return;
    const auto problem = port->pinned ? unpinPort(m_paths.portsDir, port->number)
                                      : pinPort(m_paths.portsDir, port->number, port->identity());
    if (problem)
        m_prompter.message(*problem);
    m_ports = portInventory(m_paths.portsDir, m_system);
}

bool PortSelection::cmdApply_Click(const QString &text)
{
    // Only this exact spelling means the search; "auto" is read as a number like any other text.
    if (text == u"Auto") {
        m_declarations.AutoSearchPending = true;
        m_declarations.CommPort = 1;
        // No file is left until the search has found a port, so a start in between asks again.
        removeSettings(m_paths.settingsFile);
        m_windows.reloadMainWindow();
        return true;
    }

    const auto port = readPortChoice(text);
    if (!port) {
        m_prompter.message(QStringLiteral("Com Port must be Auto or a number from 1 to 255!"));
        return false;
    }
    m_declarations.CommPort = *port;
    if (!writeSettings(m_paths.settingsFile,
                       Settings{m_declarations.BaudRate, m_declarations.CommPort})) {
        // The main window keeps the port it has open; CommPort already holds the new number.
        m_prompter.message(QStringLiteral("Setup file error"));
        return true;
    }
    m_windows.reloadMainWindow();
    return true;
}

void PortSelection::mnuFileExit_Click()
{
    m_windows.exitProgram();
}
