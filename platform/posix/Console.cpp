#include "platform/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

namespace platform {

void PrepareStandardStreams() {}

FileHandle StandardOutputHandle() {
  return STDOUT_FILENO;
}

bool StandardInputIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}

bool IsTerminal(FileHandle h) {
  return ::isatty(static_cast<int>(h)) != 0;
}

bool MessageStreamIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

int TerminalColumns() {
  struct winsize size {};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

std::ostream& MessageStream() {
  return std::cerr;
}

ScopedConsoleInterrupt::ScopedConsoleInterrupt(std::atomic<int>&) {}

ScopedConsoleInterrupt::~ScopedConsoleInterrupt() = default;

}  // namespace platform
