#include "tests/support/Program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace testing_support {

pid_t StartProgram(const std::string& program, const std::string& dir,
                   const std::vector<std::string>& args, const std::string& input) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (::chdir(dir.c_str()) != 0) ::_exit(120);
  if (!std::freopen(".err", "w", stderr) || !std::freopen(".out", "w", stdout) ||
      !std::freopen(input.c_str(), "r", stdin)) {
    ::_exit(121);
  }
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(122);
}

int WaitProgram(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid ? status : -1;
}

}  // namespace testing_support
