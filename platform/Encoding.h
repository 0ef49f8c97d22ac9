#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Converts UTF-8 text to Shift_JIS (code page 932) bytes. Empty result when the text is
// not valid UTF-8 or holds a character that code page 932 cannot express.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

}  // namespace platform
