#include "tests/reliability/Spawn.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/TestFiles.h"

namespace testing_support {

// Through the shell: coreutils' timeout kills a hung program with SIGKILL (status 137), and
// any status from 128 up is a signal, as velmorant-cli itself exits only with 0, 1 or 2.
ProcessResult Spawn(const std::string& program, const std::vector<std::string>& args,
                    const std::string& cwd, int seconds, const std::string& stdoutTo) {
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string command = "cd " + quote(cwd) + " && timeout -s KILL " + std::to_string(seconds) +
                        " " + quote(program);
  for (const std::string& a : args) command += " " + quote(a);
  command += " </dev/null 2>.spawn-stderr " +
             (stdoutTo.empty() ? std::string(">.spawn-stdout") : ">>" + quote(stdoutTo));
  const int wait = std::system(command.c_str());
  const int code = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  ProcessResult r;
  r.bExited = code < 128;
  r.status = r.bExited ? code : -1;
  r.signal = r.bExited ? 0 : code - 128;
  r.bHung = code == 137;
  for (auto [name, text] : {std::pair{"/.spawn-stdout", &r.out}, {"/.spawn-stderr", &r.err}}) {
    *text = ReadFile(cwd + name);
    ::unlink((cwd + name).c_str());
  }
  return r;
}

}  // namespace testing_support
