#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Converts UTF-8 text to Shift_JIS (code page 932) bytes. Empty result when the text is
// not valid UTF-8 or holds a character that code page 932 cannot express.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Code page 932 bytes as UTF-8 text for showing: a byte that starts no character becomes
// U+FFFD and the conversion goes on after it.
std::string Cp932ToUtf8Lossy(std::string_view cp932);

}  // namespace platform
