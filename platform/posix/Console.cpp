#include "platform/Console.h"

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

std::ostream& MessageStream() {
  return std::cerr;
}

ScopedConsoleInterrupt::ScopedConsoleInterrupt(std::atomic<int>&) {}

ScopedConsoleInterrupt::~ScopedConsoleInterrupt() = default;

}  // namespace platform
