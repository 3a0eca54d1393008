#pragma once

#include <QtGlobal>

// Milliseconds of simulated time. A read that would wait advances it instead of sleeping, so a
// 40-second erase costs no real time in a test.
class VirtualClock {
public:
    qint64 now() const { return m_ms; }
    void advance(qint64 ms) { m_ms += ms; }
    void advanceTo(qint64 ms)
    {
        if (ms > m_ms)
            m_ms = ms;
    }

private:
    qint64 m_ms = 0;
};
