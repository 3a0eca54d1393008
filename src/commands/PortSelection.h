#pragma once

#include "link/PortInventory.h"
#include "settings/AppPaths.h"

#include <QList>
#include <QStringList>

#include <optional>

struct modDeclarations;
class Prompter;
class WindowHost;

// The logic of the port selection window frmSerialSet: the choice "Auto" or a port number is
// stored and the main window is loaded again on it. The window shows what the system says of
// each number's device, follows adapters being plugged in and out, and can pin an adapter to
// its number.
class PortSelection {
public:
    PortSelection(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
                  WindowHost &windows, const PortSystem &system = PortSystem::host());

    // The list: "Auto", then "1" to "255".
    static QStringList portItems();
    // Reads the ports, and follows the adapter behind the current port from now on. The list's
    // text when the window loads: the current port, even one the list lacks.
    QString Form_Load();

    // The ports as last read: one row for each number from 1 to 255, in order.
    const QList<PortInventoryRow> &ports() const { return m_ports; }
    // The row of the number in `text`; nothing for "Auto" and numbers outside 1 to 255.
    std::optional<PortInventoryRow> row(const QString &text) const;
    // What the window shows under the list for `text`.
    QString describe(const QString &text) const;

    struct Refresh {
        bool changed = false;  // the rows are not what they were
        // The number of the adapter the user picked, when it is no longer `text`'s.
        std::optional<QString> text;
    };
    // Asks the system for its ports again; `text` is the list's text now.
    Refresh refreshPorts(const QString &text);
    // The user chose or typed `text`: the adapter behind it, if any, is followed from now on.
    void pick(const QString &text);

    // Pins the adapter behind the number in `text` to that number, or unpins a pinned number.
    // A message tells when that could not be done.
    void cmdPin_Click(const QString &text);

    // Applies the list's text. True when the window is to unload now; false keeps it open so
    // the user can correct a number that is no port number at all.
    bool cmdApply_Click(const QString &text);
    void mnuFileExit_Click();

private:
    modDeclarations &m_declarations;
    AppPaths m_paths;
    Prompter &m_prompter;
    WindowHost &m_windows;
    const PortSystem &m_system;
    QList<PortInventoryRow> m_ports;
    // The identity of the adapter the user picked; empty when it is none.
    QString m_picked;
};
