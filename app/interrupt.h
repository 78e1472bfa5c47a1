#pragma once
// Ctrl-C and SIGTERM during a render or a capture. The handler only records the signal; the
// frame loop stops at the end of its pass and the shell cuts its output cleanly, so a cut
// render never takes the final file name.
#include <cstdint>
#include <string>

void catchInterrupts();   // SIGINT, SIGTERM and SIGHUP from now on
int interruptSignal();    // the signal that arrived, or 0

// Says on stderr that the render into `what` stopped after `frames` frames, then `outcome`.
// Returns the exit status: 128 + the signal that cut it, or 1 when none did.
int reportCut(const std::string& what, uint32_t frames, const char* outcome);
