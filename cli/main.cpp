#include <iostream>

#include "cli/CliApp.h"
#include "platform/Console.h"

namespace {

int Main(int argc, char** argv) {
  // A closed pipe or the size limit is a failed write with a message.
  platform::IgnoreWriteSignals();
  platform::PrepareStandardStreams();
  return cli::RunCli(argc, argv, platform::MessageStream(), std::cin,
                     platform::StandardInputIsTerminal(), platform::StandardOutputHandle());
}

}  // namespace

#ifdef _WIN32
#include "platform/win32/Arguments.h"

// Windows passes the arguments as UTF-16 whatever the code page; the program reads UTF-8.
int wmain(int argc, wchar_t** argv) {
  platform::CUtf8Arguments args(argc, argv);
  return Main(args.Count(), args.Values());
}
#else
int main(int argc, char** argv) {
  return Main(argc, argv);
}
#endif
