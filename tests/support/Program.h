#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

// Starts `program` in the folder `dir` with `args`: standard input from the file `input`,
// standard output to dir/.out, messages to dir/.err. Returns its process id.
pid_t StartProgram(const std::string& program, const std::string& dir,
                   const std::vector<std::string>& args, const std::string& input = "/dev/null");

// Waits for it to end; returns its wait status.
int WaitProgram(pid_t pid);

}  // namespace testing_support
