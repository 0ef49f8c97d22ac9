#include <unistd.h>

#include <exception>
#include <iostream>

#include "cli/CliApp.h"
#include "engine/Messages.h"
#include "platform/File.h"

int main(int argc, char** argv) {
  platform::OpenStandardStreams();  // before any file: none may become standard error
  platform::IgnoreWriteSignals();   // a closed pipe or the size limit is a failed write with a
                                    // message
  platform::HoldEndingSignalsAfterPlacing();  // an output in place is a run that succeeded
  try {
    return cli::RunCli(argc, argv, std::cerr, std::cin, ::isatty(0) != 0, STDOUT_FILENO);
  } catch (const std::exception& e) {
    std::cerr << msg::kUnexpected << e.what() << "\n";
  } catch (...) {
    std::cerr << msg::kUnexpected;
  }
  return 1;
}
