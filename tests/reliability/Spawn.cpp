#include "tests/reliability/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/TestFiles.h"

namespace testing_support {

ProcessResult Spawn(const std::string& program, const std::vector<std::string>& args,
                    const std::string& cwd, int seconds, const std::string& stdoutTo) {
  const std::string outPath = cwd + "/.spawn-stdout";
  const std::string errPath = cwd + "/.spawn-stderr";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  ProcessResult r;
  const pid_t pid = ::fork();
  if (pid < 0) return r;
  if (pid == 0) {
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = stdoutTo.empty()
                        ? ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                        : ::open(stdoutTo.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      r.bHung = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!r.bHung && WIFEXITED(status)) {
    r.bExited = true;
    r.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    r.signal = WTERMSIG(status);
  }
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  return r;
}

}  // namespace testing_support
