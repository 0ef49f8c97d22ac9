#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The least work a reversal of `input` into `output` can do on this machine, for scale
// beside cp: each byte read once through the file and looked at once, on one thread, and
// written once at its new place, on another, in pieces of `piece` bytes in reverse order,
// through the platform's gathered positioned writes as the conversion's are. A converter
// also builds its tree and lists its ranges; cp does neither and copies in the kernel.
// Returns the number of '<' seen, or -1 after a message on standard error.
long long CopyFloor(const std::string& input, const std::string& output, std::size_t piece);

}  // namespace bench
