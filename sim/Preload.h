#pragma once

#include "UnitEngine.h"

#include <QString>
#include <QStringList>

#include <optional>

// A message a simulated unit holds from the start: "LOCATION:NAME:RATE:SECONDS", for example
// "1:Lobby:8000:3.0" puts a three-second tone at 8000 Hz named "Lobby" into location 1. The
// name may itself hold colons; it is cut or padded to 16 characters.
struct Preload {
    int location = 0; // index 0 to 7
    UnitEngine::StoredMessage message;

    // The preload, or the reason the text is not one.
    static std::optional<Preload> parse(const QString &text, QString *problem);
    // A tone of `seconds` at `rate` Hz, in the words a unit stores (offset binary, high byte
    // first).
    static QByteArray tone(quint32 rate, double seconds);

    // The messages of the demo (scripts/demo.sh, tavixctl --sim), so the directory has something
    // to show, play and erase: a short chime, a message over two locations and one in the last
    // location.
    static QStringList demoTexts();
    // Stores the demo's messages into `engine`.
    static void storeDemo(UnitEngine &engine);
};
