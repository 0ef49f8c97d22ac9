#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// One run of a program: where, with what, and where its output goes.
struct ProgramRun {
  std::string program;
  std::string dir;  // its working folder
  std::vector<std::string> args;
  std::vector<std::pair<std::string, std::string>> env;  // set for it
  std::vector<std::string> unset;                        // removed from its environment
  std::string outPath;                                   // standard output goes here
  std::string errPath;                                   // standard error goes here
  int nSeconds = 20;                                     // then it is killed
  bool bConsole = false;  // Windows: it shares the caller's console instead of having none
  void* hErr = nullptr;   // Windows: a handle standard error goes to instead of errPath
};

// Runs it with nothing on standard input (on Windows without a console unless asked, so
// that its messages are UTF-8). Returns its exit status, 128 + the signal that ended it (137:
// killed for hanging), or -1 when it could not be started.
int RunProgram(const ProgramRun& run);

// The system the tests run on, "posix" or "windows": a golden case may word a system's own
// cause of a failure per system.
extern const char* const kSystem;

// POSIX builds: starts `program` in the folder `dir` with `args`: standard input from the
// file `input`, standard output to dir/.out, messages to dir/.err. Returns its process id.
pid_t StartProgram(const std::string& program, const std::string& dir,
                   const std::vector<std::string>& args, const std::string& input = "/dev/null");

// Waits for it to end; returns its wait status.
int WaitProgram(pid_t pid);

}  // namespace testing_support
