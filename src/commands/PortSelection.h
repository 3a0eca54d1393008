#pragma once

#include "settings/AppPaths.h"

#include <QStringList>

struct modDeclarations;
class Prompter;
class WindowHost;

// The logic of the port selection window frmSerialSet: the choice "Auto" or a port number is
// stored and the main window is loaded again on it.
class PortSelection {
public:
    PortSelection(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
                  WindowHost &windows);

    // The list: "Auto", then "1" to "255".
    static QStringList portItems();
    // The list's text when the window loads: the current port, even one the list lacks.
    QString Form_Load() const;

    // Applies the list's text. True when the window is to unload now; false keeps it open so
    // the user can correct a number that is no port number at all.
    bool cmdApply_Click(const QString &text);
    void mnuFileExit_Click();

private:
    modDeclarations &m_declarations;
    AppPaths m_paths;
    Prompter &m_prompter;
    WindowHost &m_windows;
};
