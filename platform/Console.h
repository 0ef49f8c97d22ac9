#pragma once

#include <atomic>
#include <iosfwd>

#include "platform/File.h"

namespace platform {

// The standard streams as the command line uses them. Called first: standard input and
// output then carry bytes unchanged (no CR LF translation on Windows).
void PrepareStandardStreams();
FileHandle StandardOutputHandle();
// True when standard input is a terminal that can answer a question.
bool StandardInputIsTerminal();
// True when `h` is a terminal (a console on Windows).
bool IsTerminal(FileHandle h);

// True when standard error is a terminal (a console on Windows) on which a status line can
// be drawn over itself, and its width in columns (0 when it cannot be told). The line is
// written through MessageStream.
bool MessageStreamIsTerminal();
int TerminalColumns();
// A status line `columns` wide stands on that terminal (0: none): a signal or console event
// that ends the program at once clears it first, so that the shell's prompt starts clean.
void NoteStatusLine(int columns);

// Messages (UTF-8 text) to standard error as the system shows them: unchanged on POSIX; on
// Windows as UTF-16 to a console, in the console's code page when redirected, and as UTF-8
// when the program has no console.
std::ostream& MessageStream();

// While it lives, Ctrl-C, Ctrl-Break and closing the console window set `flag` to 1 instead
// of ending the program at once (Windows). POSIX signals keep their own handling: a signal
// that ends the program takes the new output file with it.
class ScopedConsoleInterrupt {
 public:
  explicit ScopedConsoleInterrupt(std::atomic<int>& flag);
  ~ScopedConsoleInterrupt();
  ScopedConsoleInterrupt(const ScopedConsoleInterrupt&) = delete;
  ScopedConsoleInterrupt& operator=(const ScopedConsoleInterrupt&) = delete;
};

}  // namespace platform
