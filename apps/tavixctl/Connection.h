#pragma once

#include "ExitStatus.h"
#include "protocol/TavixUnit.h"

class UnitLink;

// Opens port `number` of `link` and makes sure a unit answers there: port not available (66)
// or no unit answering (69) otherwise. `identity`, when given, receives the unit's answer to
// the probe.
Outcome connectUnit(
    UnitLink &link, int number, const QString &baudRate, QByteArray *identity = nullptr);

// A failed unit result as the outcome of `what` ("erasing location 3"): the unit reported a
// failure (74).
Outcome unitFailure(const QString &what, const UnitResult &result);

// The whole directory; a failure, or a directory that never ended, is the unit's failure.
Outcome readWholeDirectory(TavixUnit &unit, UnitDirectory &directory);
