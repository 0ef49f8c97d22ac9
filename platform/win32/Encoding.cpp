#include "platform/Encoding.h"

#include <windows.h>

#include <array>
#include <cstdint>

namespace platform {
namespace {

constexpr UINT kCp932 = 932;

// Where Windows' table for code page 932 and the one the Linux build uses (glibc's CP932)
// part, the output bytes follow the Linux build: these characters have a form there...
constexpr std::pair<wchar_t, const char*> kLinuxForms[] = {
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},
    {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"}, {0x2016, "\x81\x61"},
    {0x203E, "\x7E"},     {0x2212, "\x81\x7C"}, {0x301C, "\x81\x60"},
};
// ...and these have none, nor does the byte 0x80 stand for a character.
bool HasNoLinuxForm(wchar_t c) {
  return c == 0x0080 || (c >= 0xF8F0 && c <= 0xF8F3);
}

bool IsLeadByte(std::uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(std::uint8_t b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Every double-byte character of code page 932, asked of Windows once: an outline
// converts a line of text for every section. 0: no character.
class CDoubleByteTable {
 public:
  CDoubleByteTable() {
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<std::uint8_t>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        wchar_t c = 0;
        if (::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, pair, 2, &c, 1) == 1) {
          m_aChars[Index(lead, trail)] = static_cast<std::uint16_t>(c);
        }
      }
    }
  }
  std::uint16_t At(std::uint8_t lead, std::uint8_t trail) const {
    return m_aChars[Index(lead, trail)];
  }

 private:
  static std::size_t Index(unsigned lead, unsigned trail) { return (lead - 0x80) * 256 + trail; }
  std::array<std::uint16_t, 0x80 * 256> m_aChars{};
};

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  std::wstring wide;
  if (!utf8.empty()) {
    const int size = static_cast<int>(utf8.size());
    const int n =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n == 0) return std::nullopt;  // not valid UTF-8
    wide.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), n);
  }
  std::string out;
  for (const wchar_t c : wide) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (HasNoLinuxForm(c) || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    const char* form = nullptr;
    for (const auto& [from, to] : kLinuxForms) {
      if (from == c) form = to;
    }
    if (form != nullptr) {
      out += form;
      continue;
    }
    char bytes[2];
    BOOL bDefault = FALSE;
    const int n = ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof bytes,
                                        nullptr, &bDefault);
    if (n == 0 || bDefault) return std::nullopt;
    out.append(bytes, static_cast<std::size_t>(n));
  }
  return out;
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  static const CDoubleByteTable table;
  const auto* d = reinterpret_cast<const std::uint8_t*>(cp932.data());
  const std::size_t n = cp932.size();
  std::string out;
  out.reserve(n * 3 / 2);
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = d[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
      AppendUtf8(out, 0xFF61u + (b - 0xA1u));
      ++i;
    } else if (IsLeadByte(b) && i + 1 < n && IsTrailByte(d[i + 1]) && table.At(b, d[i + 1]) != 0) {
      AppendUtf8(out, table.At(b, d[i + 1]));
      i += 2;
    } else {
      out += "\xEF\xBF\xBD";  // a byte that starts no character: skip it
      ++i;
    }
  }
  return out;
}

}  // namespace platform
