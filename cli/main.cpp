#include <unistd.h>

#include <iostream>

#include "cli/CliApp.h"
#include "platform/File.h"

int main(int argc, char** argv) {
  platform::IgnoreWriteSignals();  // a closed pipe or the size limit is a failed write with a
                                   // message
  return cli::RunCli(argc, argv, std::cerr, std::cin, ::isatty(0) != 0, STDOUT_FILENO);
}
