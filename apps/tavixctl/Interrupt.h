#pragma once

// Ctrl-C while it lives sets a flag instead of ending the program, so that an upload stops at
// the next block boundary, as the window's Stop does, and the unit is left between blocks.
class InterruptFlag {
public:
    InterruptFlag();
    ~InterruptFlag();
    InterruptFlag(const InterruptFlag &) = delete;
    InterruptFlag &operator=(const InterruptFlag &) = delete;

    bool raised() const;
};
