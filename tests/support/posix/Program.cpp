#include "tests/support/Program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

const char* const kSystem = "posix";

int RunProgram(const ProgramRun& run) {
  std::vector<std::string> argv = {"timeout", "-s", "KILL", std::to_string(run.nSeconds),
                                   run.program};
  argv.insert(argv.end(), run.args.begin(), run.args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const std::string& name : run.unset) ::unsetenv(name.c_str());
    for (const auto& [name, value] : run.env) ::setenv(name.c_str(), value.c_str(), 1);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(run.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(run.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(run.dir.c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execvp(cargv[0], cargv.data());
    ::_exit(127);
  }
  int wait = 0;
  if (pid < 0 || ::waitpid(pid, &wait, 0) != pid) return -1;
  return WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
}

int WaitProgram(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid ? status : -1;
}

}  // namespace testing_support
