#include "app/interrupt.h"

#include <csignal>
#include <cstdio>

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

int reportCut(const std::string& what, uint32_t frames, const char* outcome)
{
    std::fprintf(stderr, "Rendering %s was cut after %u frames; %s\n", what.c_str(), frames, outcome);
    return arrived ? 128 + arrived : 1;
}
