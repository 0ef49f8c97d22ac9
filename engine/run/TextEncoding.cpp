#include "engine/run/TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/File.h"
#include "platform/FileBuffer.h"

namespace engine {
namespace {

std::uint8_t Lower(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + 32) : c;
}

bool IsLabelByte(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (Lower(c) >= 'a' && Lower(c) <= 'z') || c == '-' || c == '_';
}

bool EqualNoCase(const std::uint8_t* p, std::string_view lower) {
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (Lower(p[i]) != static_cast<std::uint8_t>(lower[i])) return false;
  }
  return true;
}

// The first place of `needle` (lower-case ASCII) in [from, size), in any letter case, or
// `size`. Each case of the first letter is looked for with memchr, and each look-up is
// kept until the search passes it, so the search stays linear.
std::size_t FindNoCase(const std::uint8_t* d, std::size_t size, std::string_view needle,
                       std::size_t from) {
  const auto lo = static_cast<std::uint8_t>(needle[0]);
  const auto up = static_cast<std::uint8_t>(lo >= 'a' && lo <= 'z' ? lo - 32 : lo);
  std::size_t nextLo = from, nextUp = from;
  bool bLo = false, bUp = false;  // whether nextLo and nextUp are looked up
  auto find = [&](std::uint8_t c, std::size_t p) {
    const void* hit = p < size ? std::memchr(d + p, c, size - p) : nullptr;
    return hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - d) : size;
  };
  for (std::size_t p = from; p + needle.size() <= size;) {
    if (!bLo || nextLo < p) nextLo = find(lo, p), bLo = true;
    if (!bUp || nextUp < p) nextUp = up == lo ? nextLo : find(up, p), bUp = true;
    const std::size_t at = std::min(nextLo, nextUp);
    if (at + needle.size() > size) break;
    if (EqualNoCase(d + at, needle)) return at;
    p = at + 1;
  }
  return size;
}

// Whether the bytes are well-formed UTF-8, and whether they hold a multi-byte sequence.
// ASCII is passed 8 bytes at a time, and the first byte that cannot be UTF-8 ends the look
// (a Shift_JIS log fails early).
bool ScanUtf8(const std::uint8_t* d, std::size_t n, bool& bMultibyte) {
  bMultibyte = false;
  std::size_t i = 0;
  while (i < n) {
    for (std::uint64_t w; i + 8 <= n; i += 8) {
      std::memcpy(&w, d + i, 8);
      if (w & 0x8080808080808080ull) break;
    }
    if (i >= n) break;
    const std::uint8_t c = d[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    // The length, and the range of the second byte that keeps the code point well formed
    // (no overlong forms, no surrogates, nothing above U+10FFFF).
    std::size_t len = 0;
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < len || d[i + 1] < lo || d[i + 1] > hi) return false;
    for (std::size_t k = 2; k < len; ++k) {
      if ((d[i + k] & 0xC0) != 0x80) return false;
    }
    bMultibyte = true;
    i += len;
  }
  return true;
}

// The label after "charset" at `at`: spaces or tabs, '=', spaces or tabs, an optional quote.
// Returns where the label starts, or nothing when no '=' follows.
std::optional<std::size_t> LabelStart(const std::uint8_t* d, std::size_t size, std::size_t at) {
  std::size_t p = at + 7;  // "charset"
  auto blanks = [&] {
    while (p < size && (d[p] == ' ' || d[p] == '\t')) ++p;
  };
  blanks();
  if (p >= size || d[p] != '=') return std::nullopt;
  ++p;
  blanks();
  if (p < size && (d[p] == '"' || d[p] == '\'')) ++p;
  return p;
}

// Every name of an encoding, and where each one is used.
enum NameUse : unsigned {
  kShown = 1u << 0,   // what a user reads (and a relabelled header says)
  kOption = 1u << 1,  // what the command line and the outline write
  kLabel = 1u << 2,   // a charset label that names it
  kValue = 1u << 3,   // a value --encoding takes
};
struct EncodingNameRow {
  std::string_view name;  // lower case, but for the names shown
  TextEncoding encoding;
  unsigned uses;
};
constexpr EncodingNameRow kNames[] = {
    {"EUC-JP", TextEncoding::kEucJp, kShown},
    {"euc-jp", TextEncoding::kEucJp, kOption | kLabel | kValue},
    {"euc_jp", TextEncoding::kEucJp, kLabel},
    {"x-euc-jp", TextEncoding::kEucJp, kLabel},
    {"eucjp", TextEncoding::kEucJp, kLabel},
    {"x-euc", TextEncoding::kEucJp, kLabel},
    {"euc-jp-ms", TextEncoding::kEucJp, kLabel},
    {"eucjp-ms", TextEncoding::kEucJp, kLabel},
    {"cseucpkdfmtjapanese", TextEncoding::kEucJp, kLabel},
    {"euc", TextEncoding::kEucJp, kValue},
    {"Shift_JIS", TextEncoding::kShiftJis, kShown},
    {"shift_jis", TextEncoding::kShiftJis, kOption | kLabel | kValue},
    {"shift-jis", TextEncoding::kShiftJis, kLabel},
    {"sjis", TextEncoding::kShiftJis, kLabel | kValue},
    {"x-sjis", TextEncoding::kShiftJis, kLabel},
    {"windows-31j", TextEncoding::kShiftJis, kLabel},
    {"cp932", TextEncoding::kShiftJis, kLabel | kValue},
    {"ms_kanji", TextEncoding::kShiftJis, kLabel},
    {"UTF-8", TextEncoding::kUtf8, kShown},
    {"utf-8", TextEncoding::kUtf8, kOption | kLabel | kValue},
    {"utf8", TextEncoding::kUtf8, kLabel | kValue},
};

const char* NameOf(TextEncoding encoding, NameUse use) {
  for (const EncodingNameRow& row : kNames) {
    if (row.encoding == encoding && (row.uses & use) != 0) return row.name.data();
  }
  return "";
}

std::optional<TextEncoding> Named(std::string_view name, NameUse use) {
  for (const EncodingNameRow& row : kNames) {
    if ((row.uses & use) != 0 && name.size() == row.name.size() &&
        EqualNoCase(reinterpret_cast<const std::uint8_t*>(name.data()), row.name)) {
      return row.encoding;
    }
  }
  return std::nullopt;
}

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  return NameOf(encoding, kShown);
}

const char* EncodingOptionName(TextEncoding encoding) {
  return NameOf(encoding, kOption);
}

std::optional<TextEncoding> EncodingOfOptionValue(std::string_view value) {
  return Named(value, kValue);
}

std::optional<TextEncoding> EncodingOfLabel(std::string_view label) {
  return Named(label, kLabel);
}

std::optional<TextEncoding> DetectEncoding(const std::uint8_t* d, std::size_t size) {
  if (size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) return TextEncoding::kUtf8;
  if (bool bMultibyte; ScanUtf8(d, size, bMultibyte) && bMultibyte) return TextEncoding::kUtf8;
  const std::size_t body = FindNoCase(d, size, "<body", 0);
  for (std::size_t at = FindNoCase(d, body, "charset", 0); at < body;
       at = FindNoCase(d, body, "charset", at + 1)) {
    const auto start = LabelStart(d, body, at);
    if (!start) continue;  // the word, not a label
    std::size_t end = *start;
    while (end < body && IsLabelByte(d[end])) ++end;
    return EncodingOfLabel({reinterpret_cast<const char*>(d + *start), end - *start});
  }
  return std::nullopt;
}

bool IsValidUtf8(std::string_view text) {
  bool bMultibyte;
  return ScanUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), bMultibyte);
}

std::optional<TextEncoding> DetectFileEncoding(const std::string& path) {
  platform::CFile file;
  if (!file.Open(path, platform::CFile::modeRead, nullptr)) {
    return std::nullopt;
  }
  try {
    const auto size = static_cast<std::size_t>(file.GetLength());
    if (platform::FileBuffer view = platform::MapFile(file.GetHandle(), size)) {
      return DetectEncoding(view.get(), size);
    }
    std::string bytes(size, '\0');
    bytes.resize(file.Read(bytes.data(), size));
    return DetectEncoding(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  } catch (const platform::CFileException&) {
    return std::nullopt;
  }
}

std::string RelabelEucHeader(std::string_view header) {
  const auto* d = reinterpret_cast<const std::uint8_t*>(header.data());
  const std::size_t size = header.size();
  std::string out;
  std::size_t copied = 0;
  for (std::size_t at = FindNoCase(d, size, "charset", 0); at < size;
       at = FindNoCase(d, size, "charset", at + 1)) {
    const auto start = LabelStart(d, size, at);
    if (!start) continue;
    for (const EncodingNameRow& row : kNames) {
      const std::size_t end = *start + row.name.size();
      if (row.encoding != TextEncoding::kEucJp || (row.uses & kLabel) == 0 || end > size ||
          !EqualNoCase(d + *start, row.name) || (end < size && IsLabelByte(d[end]))) {
        continue;
      }
      out.append(header, copied, *start - copied);
      out += EncodingName(TextEncoding::kShiftJis);
      copied = end;
      break;
    }
  }
  if (copied == 0) return std::string(header);
  return out.append(header, copied);
}

}  // namespace engine
