#include "cli/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace cli {
namespace {

constexpr char kEllipsis[] = "...";  // ASCII: "…" is two columns wide on some terminals
constexpr std::size_t kEllipsisWidth = 3;
constexpr std::size_t kShortestName = 8;  // below this the name tells nothing; it is left out
constexpr std::size_t kSizeWidth = 10;    // "1023.9 MiB"

struct Range {
  char32_t from, to;
};
// East Asian Wide and Fullwidth characters, the forms terminals draw two columns wide.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF}, {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};
// Combining marks and other characters drawn on the one before them.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},   {0x20D0, 0x20FF},
    {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xE0100, 0xE01EF},
};

bool In(const Range* begin, const Range* end, char32_t c) {
  return std::any_of(begin, end, [c](const Range& r) { return c >= r.from && c <= r.to; });
}

std::size_t Width(char32_t c) {
  if (In(std::begin(kZeroWidth), std::end(kZeroWidth), c)) return 0;
  return In(std::begin(kWide), std::end(kWide), c) ? 2 : 1;
}

// The character at the start of `text` and its length in bytes; nothing for a byte that
// starts no well-formed character (overlong forms and surrogates included).
std::optional<char32_t> Decode(std::string_view text, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[0]);
  length = 1;
  if (lead < 0x80) return lead;
  const std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (n == 0 || lead > 0xF4 || text.size() < n) return std::nullopt;
  char32_t c = lead & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (b & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  length = n;
  return c;
}

// A character as drawn: its bytes, with the marks drawn on it, and its columns.
struct Glyph {
  std::string bytes;
  std::size_t width;
};

std::vector<Glyph> Glyphs(std::string_view text) {
  std::vector<Glyph> glyphs;
  while (!text.empty()) {
    std::size_t length = 0;
    const std::optional<char32_t> c = Decode(text, length);
    if (!c || *c < 0x20 || (*c >= 0x7F && *c < 0xA0)) {
      glyphs.push_back({"?", 1});
    } else if (const std::size_t w = Width(*c); w == 0 && !glyphs.empty()) {
      glyphs.back().bytes.append(text.substr(0, length));
    } else {
      glyphs.push_back({std::string(text.substr(0, length)), w});
    }
    text.remove_prefix(length);
  }
  return glyphs;
}

std::string Size(double bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%.0f B", std::floor(bytes));
    return text;
  }
  std::size_t unit = 0;
  for (bytes /= 1024; bytes >= 1024 && unit + 1 < std::size(kUnits); bytes /= 1024) ++unit;
  std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
  return text;
}

// Right-aligned, so that the line keeps still as the figures grow.
std::string Padded(std::string text, std::size_t width) {
  return std::string(width - std::min(width, text.size()), ' ') + text;
}

std::string Duration(double seconds) {
  const auto s = static_cast<unsigned long long>(std::ceil(seconds));
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%llu:%02llu", s / 60, s % 60);
  }
  return text;
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (const Glyph& g : Glyphs(utf8)) width += g.width;
  return width;
}

std::string ShortenMiddle(std::string_view utf8, std::size_t columns) {
  const std::vector<Glyph> glyphs = Glyphs(utf8);
  std::size_t width = 0;
  for (const Glyph& g : glyphs) width += g.width;
  std::string out;
  if (columns == 0 || width <= columns) {
    for (const Glyph& g : glyphs) out += g.bytes;
    return out;
  }
  if (columns <= kEllipsisWidth) return std::string(columns, '.');
  // The end of a path, the file's own name, gets the larger half.
  const std::size_t headRoom = (columns - kEllipsisWidth) / 2;
  std::size_t tailRoom = columns - kEllipsisWidth - headRoom;
  std::size_t head = 0;
  for (std::size_t used = 0; glyphs[head].width + used <= headRoom; ++head) {
    used += glyphs[head].width;
  }
  std::size_t tail = glyphs.size();
  while (glyphs[tail - 1].width <= tailRoom) tailRoom -= glyphs[--tail].width;
  for (std::size_t i = 0; i < head; ++i) out += glyphs[i].bytes;
  out += kEllipsis;
  for (std::size_t i = tail; i < glyphs.size(); ++i) out += glyphs[i].bytes;
  return out;
}

std::string ComposeProgressLine(const ProgressFigures& f, std::size_t columns) {
  const std::uint64_t done = std::min(f.nDone, f.nTotal);
  const double bytesLeft = static_cast<double>(f.nTotal - done) / 2;
  const std::uint64_t percent = f.nTotal == 0 ? 0 : done * 100 / f.nTotal;
  std::string line =
      Padded(Size(static_cast<double>(done) / 2), kSizeWidth) + " / " +
      Size(static_cast<double>(f.nTotal) / 2) + " (" + Padded(std::to_string(percent), 3) + "%)  " +
      std::to_string(f.nFilesDone) + "/" + std::to_string(f.nFiles) + " files  " +
      Padded(f.bytesPerSecond ? Size(*f.bytesPerSecond) : "-- B", kSizeWidth) + "/s  ";
  if (done == f.nTotal && f.nTotal > 0) {
    line += Duration(0);
  } else if (f.bytesPerSecond && *f.bytesPerSecond > 0) {
    line += Duration(bytesLeft / *f.bytesPerSecond);
  } else {
    line += "--:--";
  }
  line += " left";
  if (columns == 0) return f.current.empty() ? line : line + "  " + ShortenMiddle(f.current, 0);

  const std::size_t room = columns - 1;
  if (line.size() + 2 + kShortestName <= room && !f.current.empty()) {
    return line + "  " + ShortenMiddle(f.current, room - line.size() - 2);
  }
  line.resize(std::min(line.size(), room));  // the figures are ASCII: one column a byte
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

}  // namespace cli
