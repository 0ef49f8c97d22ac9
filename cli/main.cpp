#include <exception>
#include <iostream>

#include "cli/CliApp.h"
#include "engine/Messages.h"
#include "platform/Console.h"
#include "platform/File.h"

namespace {

int Main(int argc, char** argv) {
  platform::OpenStandardStreams();  // before any file: none may become standard error
  // A closed pipe or the size limit is a failed write with a message.
  platform::IgnoreWriteSignals();
  platform::HoldEndingSignalsAfterPlacing();  // an output in place is a run that succeeded
  platform::PrepareStandardStreams();
  std::ostream& err = platform::MessageStream();
  try {
    return cli::RunCli(argc, argv, err, std::cin, platform::StandardInputIsTerminal(),
                       platform::StandardOutputHandle());
  } catch (const std::exception& e) {
    err << msg::kUnexpected << e.what() << "\n";
  } catch (...) {
    err << msg::kUnexpected;
  }
  return 1;
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
