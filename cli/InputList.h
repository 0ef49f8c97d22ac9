#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Appends the paths listed in `source` ("-": `standardInput`) to `paths`: one per line, or
// separated by NUL bytes with `bNull` (as find -print0 writes them); a last separator may
// end the list, a line's CR before its LF is not part of the name, and a UTF-8 byte-order
// mark may start the list. Returns a message naming the list and the fault (it cannot be
// read, an entry is empty, with its number, or a list of lines holds a NUL byte), or nothing.
std::optional<std::string> ReadInputList(const std::string& source, bool bNull,
                                         std::istream& standardInput,
                                         std::vector<std::string>& paths);

}  // namespace cli
