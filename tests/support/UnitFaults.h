#pragma once

#include "UnitFixture.h"

// Short ways to put a fault at one of the simulated unit's exchanges ("D", "R", "C", ...) and
// to get a main window whose line record starts after its connection check.

inline void replaceReply(
    UnitEngine &unit, const char *point, const QByteArray &bytes, int occurrence = 1)
{
    UnitEngine::Fault fault;
    fault.point = point;
    fault.kind = UnitEngine::Fault::Replace;
    fault.replacement = bytes;
    fault.occurrence = occurrence;
    unit.injectFault(fault);
}

inline void silence(UnitEngine &unit, const char *point, int occurrence = 1)
{
    UnitEngine::Fault fault;
    fault.point = point;
    fault.kind = UnitEngine::Fault::NoReply;
    fault.occurrence = occurrence;
    unit.injectFault(fault);
}

// A row's reply at `point`: the bytes, or silence when there are none.
inline void answerWith(
    UnitEngine &unit, const char *point, const QByteArray &bytes, int occurrence = 1)
{
    if (bytes.isEmpty())
        silence(unit, point, occurrence);
    else
        replaceReply(unit, point, bytes, occurrence);
}

inline MainController &ready(UnitFixture &f)
{
    MainController &controller = f.load();
    f.comm->clearLine();
    f.surface.statuses.clear();
    f.surface.states.clear();
    return controller;
}

inline UnitEngine::StoredMessage storedMessage(
    const char *name, qsizetype audioBytes, quint32 rate = 8000)
{
    return UnitEngine::StoredMessage { QByteArray(name).leftJustified(16, ' '), rate,
        QByteArray(audioBytes, '\x11') };
}
