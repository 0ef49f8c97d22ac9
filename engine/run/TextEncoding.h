#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// The encodings a log can be converted in.
enum class TextEncoding { kShiftJis, kEucJp, kUtf8 };

// The name a user reads and a charset label gives: "Shift_JIS", "EUC-JP", "UTF-8".
const char* EncodingName(TextEncoding encoding);
// The name the command line takes and the outline writes: "shift_jis", "euc-jp", "utf-8".
const char* EncodingOptionName(TextEncoding encoding);
// The encoding an --encoding value names (any letter case), "auto" aside.
std::optional<TextEncoding> EncodingOfOptionValue(std::string_view value);

// What a log's bytes show it to be, first rule first: a UTF-8 byte-order mark; valid UTF-8
// holding at least one multi-byte sequence; the first charset label before "<body", when
// it names a known encoding. Nothing when none of them says.
std::optional<TextEncoding> DetectEncoding(const std::uint8_t* data, std::size_t size);

// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The same for a file; nothing when it cannot be read (the run reports that itself).
std::optional<TextEncoding> DetectFileEncoding(const std::string& path);

// The encoding a charset label names (case-insensitive), if it is a known one.
std::optional<TextEncoding> EncodingOfLabel(std::string_view label);

// A header converted from EUC-JP, with every charset label of the EUC family that it
// declares replaced by "Shift_JIS"; every other byte as it was.
std::string RelabelEucHeader(std::string_view header);

}  // namespace engine
