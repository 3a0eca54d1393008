#include "link/LowLatency.h"

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

class SystemDriverFlags : public SerialDriverFlags {
public:
    std::optional<int> flags(int descriptor) override
    {
#ifdef __linux__
        serial_struct serial {};
        if (::ioctl(descriptor, TIOCGSERIAL, &serial) == 0)
            return serial.flags;
#else
        (void)descriptor;
#endif
        return std::nullopt;
    }

    bool setFlags(int descriptor, int flags) override
    {
#ifdef __linux__
        // The call sets the whole structure: everything but the flags stays as the driver has it.
        serial_struct serial {};
        if (::ioctl(descriptor, TIOCGSERIAL, &serial) != 0)
            return false;
        serial.flags = flags;
        return ::ioctl(descriptor, TIOCSSERIAL, &serial) == 0;
#else
        (void)descriptor;
        (void)flags;
        return false;
#endif
    }
};

#ifdef __linux__
static_assert(LowLatencyFlag == ASYNC_LOW_LATENCY);
#endif

} // namespace

SerialDriverFlags &SerialDriverFlags::system()
{
    static SystemDriverFlags driver;
    return driver;
}

void LowLatency::engage(int descriptor)
{
    m_descriptor = descriptor;
    m_restore.reset();
    const std::optional<int> flags = m_driver.flags(descriptor);
    if (!flags || (*flags & LowLatencyFlag) != 0)
        return;
    if (m_driver.setFlags(descriptor, *flags | LowLatencyFlag))
        m_restore = flags;
}

void LowLatency::release()
{
    // A device that went away takes its flags with it; the call then fails, which is fine.
    if (m_restore)
        m_driver.setFlags(m_descriptor, *m_restore);
    m_restore.reset();
    m_descriptor = -1;
}
