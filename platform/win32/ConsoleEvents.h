#pragma once

#include <atomic>

namespace platform {

// The stop flag of the run under way, which the first Ctrl-C, Ctrl-Break or closing of the
// console sets instead of ending the program; nullptr when no run is under way, and the run
// has ended. The console's handler is installed with the first flag or hold.
void SetConsoleStopFlag(std::atomic<int>* flag);

// Blanks the status line NoteStatusLine last told of, before an event ends the program.
void ClearStatusLine();

}  // namespace platform
