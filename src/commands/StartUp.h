#pragma once

#include "settings/AppPaths.h"

struct modDeclarations;
class Prompter;
class WindowHost;

// What the sign-on window does when its timer fires: read setup.txt and open the main window,
// or ask whether the port is known.
class StartUp {
public:
    StartUp(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
            WindowHost &windows);

    // Returns once the next window is open; the caller then unloads the sign-on window.
    void tmrSignOn_Timer();

private:
    modDeclarations &m_declarations;
    AppPaths m_paths;
    Prompter &m_prompter;
    WindowHost &m_windows;
};
