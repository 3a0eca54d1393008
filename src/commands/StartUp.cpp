#include "commands/StartUp.h"

#include "settings/Declarations.h"
#include "commands/Prompter.h"
#include "settings/Settings.h"
#include "commands/WindowHost.h"

StartUp::StartUp(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
                 WindowHost &windows)
    : m_declarations(declarations), m_paths(paths), m_prompter(prompter), m_windows(windows)
{
}

void StartUp::tmrSignOn_Timer()
{
    if (const auto settings = readSettings(m_paths.settingsFile)) {
        m_declarations.BaudRate = settings->BaudRate;
        m_declarations.CommPort = settings->CommPort;
        m_declarations.AutoSearchPending = false;
        m_windows.showMainWindow();
        return;
    }

    const bool portKnown = m_prompter.askYesNo(
        QStringLiteral("Do you know what com port the Tavix is on?"), QStringLiteral("Auto Search"));
    m_declarations.BaudRate = DefaultBaudRate;
    m_declarations.CommPort = DefaultCommPort;
    if (portKnown) {
        m_windows.showSerialSet();
        return;
    }
    // The default file is written fresh, not appended to the unreadable one, so that the answer
    // sticks and the next start does not ask again. When it cannot be written the program goes
    // on with the defaults in memory.
    writeSettings(m_paths.settingsFile, Settings{DefaultBaudRate, DefaultCommPort});
    m_declarations.AutoSearchPending = true;
    m_windows.showMainWindow();
}
