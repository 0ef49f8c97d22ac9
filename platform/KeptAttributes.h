#pragma once

#include <string>

namespace platform {

// Gives the new file open as `to` the permission bits `mode` and the ACL and extended
// attributes of the old file open as `from`. Never wider than the old file: with an ACL the
// group bits are its owning group's entry, not its mask, until the ACL itself is in place.
// Returns what could not be copied ("ACL", attribute names), separated by ", ".
std::string KeepAttributes(int from, int to, unsigned mode);

}  // namespace platform
