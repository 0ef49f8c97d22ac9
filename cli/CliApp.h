#pragma once

#include <iosfwd>

namespace cli {

// The whole command line program over injected streams: messages go to `err`, the
// overwrite question reads `in` when `bInteractive`, one-file output without -o goes to
// descriptor `outFd`. Returns the exit status.
int RunCli(int argc, char** argv, std::ostream& err, std::istream& in, bool bInteractive,
           int outFd);

}  // namespace cli
