#include "commands/PortSelection.h"

#include "settings/Declarations.h"
#include "settings/NumberRules.h"
#include "commands/Prompter.h"
#include "settings/Settings.h"
#include "commands/WindowHost.h"
#include "link/PortMap.h"

PortSelection::PortSelection(modDeclarations &declarations, const AppPaths &paths,
                             Prompter &prompter, WindowHost &windows)
    : m_declarations(declarations), m_paths(paths), m_prompter(prompter), m_windows(windows)
{
}

QStringList PortSelection::portItems()
{
    QStringList items{QStringLiteral("Auto")};
    for (int port = FirstPortNumber; port <= LastPortNumber; ++port)
        items << QString::number(port);
    return items;
}

QString PortSelection::Form_Load() const
{
    return QString::number(m_declarations.CommPort);
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
