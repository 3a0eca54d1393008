#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QTimer>

struct modDeclarations;
class SaxComm;
class TavixUnit;
class MainSurface;
class Prompter;

// The main window's five timers. Each handler that should run once stops its own timer first.
struct MainTimers {
    QTimer Timer1;  // 100 ms, only stops itself
    QTimer Timer2;  // 2000 ms, the directory after a load and after an aborted upload
    QTimer Timer3;  // 1000 ms, the port search
    QTimer Timer4;  // 500 ms, playback polling
    QTimer Timer5;  // 1500 ms, port selection after a failed connection check
};

// Everything a command of the main window works with.
struct CommandContext {
    modDeclarations &declarations;
    SaxComm &comm;
    // The session over `comm`: every exchange with the unit goes through it. Its replies are
    // kept in strData.
    TavixUnit &unit;
    MainSurface &surface;
    Prompter &prompter;
    // Every reply the main window's exchanges read goes here.
    QByteArray &strData;
    MainTimers &timers;
    // Seeded from the clock at every load; the upload draws the low bytes of 8-bit samples.
    QRandomGenerator &random;
    // True while a command is in the middle of its exchanges with the unit.
    bool &unitBusy;
};

// Held by a command for as long as it talks to the unit: a second command that would talk to
// the unit meanwhile (from a menu, a timer or a click handled while events run) is refused, so
// that two exchanges never mix their bytes on the line.
class UnitWork {
public:
    explicit UnitWork(CommandContext &context);
    ~UnitWork();
    UnitWork(const UnitWork &) = delete;
    UnitWork &operator=(const UnitWork &) = delete;

    // False when another command holds the unit; the caller then does nothing.
    explicit operator bool() const { return m_acquired; }

private:
    CommandContext &m_context;
    bool m_acquired = false;
};
