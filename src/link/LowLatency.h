#pragma once

#include <optional>

// The flags a serial port's driver keeps (TIOCGSERIAL and TIOCSSERIAL on Linux), behind an
// interface so that tests can stand in for the driver: a test never changes a real port.
class SerialDriverFlags {
public:
    virtual ~SerialDriverFlags() = default;
    // Nothing when the driver keeps no flags (pseudo-terminals, some drivers, other systems).
    virtual std::optional<int> flags(int descriptor) = 0;
    // False when the driver refuses them.
    virtual bool setFlags(int descriptor, int flags) = 0;

    // The system's own calls.
    static SerialDriverFlags &system();
};

// ASYNC_LOW_LATENCY: the driver of a USB adapter then hands received bytes over after 1 ms
// instead of waiting for its latency timer, 16 ms by default. The unit acknowledges every
// block of an upload with two bytes, and each would wait that long.
inline constexpr int LowLatencyFlag = 1 << 13;

// Low latency for the time a port is open: asked for after opening where the driver supports
// it, the driver's own flags given back before closing. Where the driver does not support it,
// nothing is said: the port works as it is.
class LowLatency {
public:
    explicit LowLatency(SerialDriverFlags &driver)
        : m_driver(driver)
    {
    }

    void engage(int descriptor);
    void release();

private:
    SerialDriverFlags &m_driver;
    int m_descriptor = -1;
    // The flags before engage() changed them; nothing when it changed nothing.
    std::optional<int> m_restore;
};
