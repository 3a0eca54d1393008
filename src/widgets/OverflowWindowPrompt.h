#pragma once

#include "commands/OverflowPrompt.h"
#include "widgets/frmOverflow.h"

#include <QPointer>

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
    void cancelOverflow() override;

private:
    WindowHost &m_windows;
    QPointer<frmOverflow> m_shown;
};
