#pragma once

#include "protocol/WaveVariables.h"

#include <QByteArray>
#include <QString>

#include <array>

// The program-wide state. One object, owned by the application and handed to whoever needs
// it, so that every test starts from a fresh one.
struct modDeclarations : WaveVariables {
    // Settings, from setup.txt.
    QString BaudRate = QStringLiteral("460800");
    qint16 CommPort = 1;
    bool AutoSearchPending = false;

    // Index 0 to 7 of the selected location; location 1 is index 0.
    qint16 SelectedLocation = 0;
    // The 16-character name of the message in each location as the directory reports it
    // (one character per byte), empty for an empty location.
    std::array<QString, LocationCount> LocationNames;
    // "Load", "Play" or "Abort"; nothing resets it when an operation ends.
    QString CurrentOperation;
    // "Erased" for each location erased within the current command; index 8 is never used.
    std::array<QString, LocationCount + 1> ErasedMarks;

    // The overflow dialog's answer: "Wait" while it is open, then "Proceed", "Convert" or "Cancel".
    QString OverflowChoice;

    // The wave header variables of the running Update command: see WaveVariables.
};
