#pragma once

#include "commands/OverflowPrompt.h"

class WindowHost;

// Shows a fresh frmOverflow for every question; its File, Exit ends the program.
class OverflowWindowPrompt : public OverflowPrompt {
public:
    explicit OverflowWindowPrompt(WindowHost &windows)
        : m_windows(windows)
    {
    }

    void showOverflow(
        modDeclarations &declarations, int location, std::function<void()> answered) override;

private:
    WindowHost &m_windows;
};
