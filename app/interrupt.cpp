#include "app/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t arrived = 0;

void record(int signal)
{
    arrived = signal;
}

} // namespace

void catchInterrupts()
{
    // Replaces SDL's handlers, which would turn the signal into a window close.
    std::signal(SIGINT, record);
    std::signal(SIGTERM, record);
    std::signal(SIGHUP, record);
}

int interruptSignal()
{
    return arrived;
}
