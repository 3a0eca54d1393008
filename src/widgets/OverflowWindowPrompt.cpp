#include "widgets/OverflowWindowPrompt.h"

#include "commands/WindowHost.h"

void OverflowWindowPrompt::showOverflow(
    modDeclarations &declarations, int location, std::function<void()> answered)
{
    WindowHost &windows = m_windows;
    auto *window = new frmOverflow(
        declarations, location, std::move(answered), [&windows] { windows.exitProgram(); });
    m_shown = window;
    window->show();
}

void OverflowWindowPrompt::cancelOverflow()
{
    if (m_shown)
        m_shown->cmdCancel_Click();
}
