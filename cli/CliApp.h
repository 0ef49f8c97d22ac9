#pragma once

#include <iosfwd>

#include "platform/File.h"

namespace cli {

// The whole command line program over injected streams: messages go to `err`, the
// overwrite question reads `in` when `bInteractive`, one-file output without -o goes to
// `outFd`. Returns the exit status.
int RunCli(int argc, char** argv, std::ostream& err, std::istream& in, bool bInteractive,
           platform::FileHandle outFd);

}  // namespace cli
