#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// Bytes that a stored message occupies beyond its audio data.
inline constexpr qint32 MessageOverhead = 32;
inline constexpr int LocationCount = 8;

// The program-wide state. One object, owned by the application and handed to whoever needs
// it, so that every test starts from a fresh one.
struct modDeclarations {
    // Settings, from setup.txt.
    QString BaudRate = QStringLiteral("460800");
    qint16 CommPort = 1;
    bool AutoSearchPending = false;

    // Bytes per memory location; every main window load sets it.
    qint32 LocationCapacity = 1048576;
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
};
