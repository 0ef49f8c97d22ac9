#include <unistd.h>

#include <iostream>

#include "cli/CliApp.h"

int main(int argc, char** argv) {
  return cli::RunCli(argc, argv, std::cerr, std::cin, ::isatty(0) != 0, STDOUT_FILENO);
}
