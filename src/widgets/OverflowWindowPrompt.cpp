#include "widgets/OverflowWindowPrompt.h"

#include "commands/WindowHost.h"
#include "widgets/frmOverflow.h"

void OverflowWindowPrompt::showOverflow(
    modDeclarations &declarations, int location, std::function<void()> answered)
{
    WindowHost &windows = m_windows;
    auto *window = new frmOverflow(
        declarations, location, std::move(answered), [&windows] { windows.exitProgram(); });
    window->show();
}
