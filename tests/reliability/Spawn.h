#pragma once

#include <string>
#include <vector>

namespace testing_support {

// How a spawned program ended.
struct ProcessResult {
  bool bExited = false;  // false: killed by a signal, or stopped for hanging
  int status = -1;       // exit status when bExited
  int signal = 0;
  bool bHung = false;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `program` with `args` in folder `cwd`, standard input from /dev/null and both output
// streams captured in files of `cwd`; with `stdoutTo`, standard output is appended to that
// file instead (relative to `cwd`). A program still running after `seconds` is killed.
ProcessResult Spawn(const std::string& program, const std::vector<std::string>& args,
                    const std::string& cwd, int seconds = 120, const std::string& stdoutTo = "");

}  // namespace testing_support
