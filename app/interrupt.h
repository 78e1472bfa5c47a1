#pragma once
// Ctrl-C and SIGTERM during a render or a capture. The handler only records the signal; the
// frame loop stops at the end of its pass and the shell cuts its output cleanly, so a cut
// render never takes the final file name.
void catchInterrupts();   // SIGINT, SIGTERM and SIGHUP from now on
int interruptSignal();    // the signal that arrived, or 0
