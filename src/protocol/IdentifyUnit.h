#pragma once

#include "link/SaxComm.h"

enum class Identification {
    Found,       // a unit answered the probe
    NoUnit,      // the probe went out, but no unit answered it
    CommFailed,  // the component failed; its fault has been taken
};

// Sets the open port's line up at `baudRate` and sends the identification probe "q". Stops at
// the first fault of the component, so nothing more goes on a line whose settings were refused.
Identification identifyUnit(SaxComm &comm, const QString &baudRate);
