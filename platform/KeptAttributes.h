#pragma once

#include <string>

#include "platform/File.h"

namespace platform {

// Gives the new file open as `to` the permission bits `mode` and the ACL and extended
// attributes of the old file open as `from`. Never wider than the old file: with an ACL the
// group bits are its owning group's entry, not its mask, until the ACL itself is in place.
// Returns what could not be copied ("ACL", attribute names), separated by ", ".
// POSIX only: on Windows ReplaceFileW keeps the old file's attributes, ACL and alternate
// streams itself when it puts the new file in place.
std::string KeepAttributes(FileHandle from, FileHandle to, unsigned mode);

}  // namespace platform
