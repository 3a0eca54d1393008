#include "Interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;
struct sigaction previous { };

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

} // namespace

InterruptFlag::InterruptFlag()
{
    interrupted = 0;
    struct sigaction action { };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // A read waiting for an acknowledgement goes on waiting; the flag is seen after it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous);
}

InterruptFlag::~InterruptFlag()
{
    sigaction(SIGINT, &previous, nullptr);
}

bool InterruptFlag::raised() const
{
    return interrupted != 0;
}
