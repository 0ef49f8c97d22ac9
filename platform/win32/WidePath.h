#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 text as UTF-16 for the wide-character calls, and back. A byte or unit that is not
// well-formed becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path for the wide-character file calls: made absolute and given the \\?\ prefix (for a
// share, \\?\UNC\ and the server), so that no 260-character limit applies. Device names
// (NUL, CON) and paths that already have a prefix stay as they are.
std::wstring WidePath(const std::string& path);

// The folder part of a path in that form, without its last backslash.
std::wstring FolderOf(const std::wstring& path);

}  // namespace platform
