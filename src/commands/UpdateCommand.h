#pragma once

#include "settings/Declarations.h"

#include <QList>
#include <QString>

struct CommandContext;
class OverflowPrompt;

// The Update command (the Update button and File, Open): choose a sound file, check it, make
// room for it and send it into the selected location and, when it needs them, the ones after.
class UpdateCommand {
public:
    // `overflow` may be missing (no window to ask): a file that needs several locations is then
    // treated as if the user cancelled.
    UpdateCommand(CommandContext &context, const QString &waveDir, OverflowPrompt *overflow);

    void run();

private:
    // Steps from the header check on; the unit is already held.
    void chooseAndCheck();
    // The message needs several locations: the overflow dialog's choice decides.
    void overflowPath();
    // False when the unit failed and the general failure path has run.
    bool oneLocationPlacement(bool withAutoReduce);
    // After the erases: true, with the command ended, when the serial component failed or a
    // location was left not erased.
    bool unitFailed();
    void severalLocationPlacement();
    void closingSteps();
    void generalFailure();
    void refuseTooBig();
    // Shows the dialog and waits in an event loop until it answers; false when the program is
    // ending instead.
    bool waitForOverflowChoice();
    void erase(int location);
    // The names the rows show now.
    std::array<QString, LocationCount> shownNames() const;
    // Erases every message that the rows show in the locations a message of `extraLocations`
    // more than one fills from the command's location, each whole; a message elsewhere that
    // only shares a name stays.
    void eraseFor(int extraLocations);
    void nameLocation(int location);

    CommandContext &m_context;
    QString m_waveDir;
    OverflowPrompt *m_overflow;
    // The selection when the command started: the user may click another row while the
    // command waits or sends, and the placement must not follow.
    int m_location = 0;
    QString m_name;
    // The serial component failed during an erase of this command.
    bool m_unitFailed = false;
    // The location whose erase the unit left unanswered, and those asked for after it.
    QList<int> m_notErased;
};
