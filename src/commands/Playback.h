#pragma once

struct CommandContext;

// Play, the status poll of Timer4 and Stop. While a playback is watched it holds the unit, so
// that no other command talks to it between two polls; Stop is always offered.
class Playback {
public:
    void cmdPlay_Click(CommandContext &context);
    void Timer4_Timer(CommandContext &context);
    void cmdAbort_Click(CommandContext &context);

private:
    void claimUnit(CommandContext &context);
    // Ends the watch: polling stops, the unit is free again, the window idle.
    void finish(CommandContext &context);

    bool m_watching = false;
};
