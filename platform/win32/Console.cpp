#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/win32/ConsoleEvents.h"
#include "platform/win32/WidePath.h"

namespace platform {
namespace {

std::atomic<int> g_statusColumns{0};  // the width of the status line on the console

// Collects UTF-8 text and writes it at each flush as the console wants it.
class CMessageBuffer : public std::streambuf {
 public:
  ~CMessageBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) m_text += static_cast<char>(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    m_text.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int sync() override {
    // A character cut at the end waits for its other bytes.
    std::size_t end = m_text.size();
    std::size_t start = end;
    while (start > 0 && (static_cast<unsigned char>(m_text[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0) {
      const auto lead = static_cast<unsigned char>(m_text[start - 1]);
      const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (need > end - start + 1) end = start - 1;
    }
    const bool bOk = Write(m_text.substr(0, end));
    m_text.erase(0, end);
    return bOk ? 0 : -1;
  }

 private:
  static bool Write(const std::string& utf8) {
    if (utf8.empty()) return true;
    HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD n = 0;
    if (::GetConsoleMode(h, &mode)) {
      const std::wstring wide = Widen(utf8);
      return ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &n, nullptr) != 0;
    }
    // Redirected: in the code page the console shows, so that a Japanese console reads
    // it back; without a console, UTF-8.
    const UINT cp = ::GetConsoleOutputCP();
    std::string bytes = utf8;
    if (cp != 0 && cp != CP_UTF8) {
      const std::wstring wide = Widen(utf8);
      const int size = static_cast<int>(wide.size());
      const int len = ::WideCharToMultiByte(cp, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
      bytes.assign(static_cast<std::size_t>(len), '\0');
      ::WideCharToMultiByte(cp, 0, wide.data(), size, bytes.data(), len, nullptr, nullptr);
    }
    return ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) != 0;
  }

  std::string m_text;
};

}  // namespace

// Output goes to the standard output handle through WriteFile, as it comes; an input list
// read from standard input keeps its bytes too (no CR LF or Ctrl-Z handling).
void PrepareStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
}

FileHandle StandardOutputHandle() {
  HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
  return h == nullptr ? kNoFileHandle : reinterpret_cast<FileHandle>(h);
}

bool StandardInputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool IsTerminal(FileHandle h) {
  DWORD mode = 0;
  return ::GetConsoleMode(reinterpret_cast<HANDLE>(h), &mode) != 0;
}

bool MessageStreamIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void NoteStatusLine(int columns) {
  g_statusColumns.store(columns);
}

void ClearStatusLine() {
  const int columns = g_statusColumns.exchange(0);
  if (columns <= 0) return;
  const std::wstring blank = L"\r" + std::wstring(static_cast<std::size_t>(columns), L' ') + L"\r";
  DWORD n = 0;
  ::WriteConsoleW(::GetStdHandle(STD_ERROR_HANDLE), blank.data(), static_cast<DWORD>(blank.size()),
                  &n, nullptr);
}

std::ostream& MessageStream() {
  static CMessageBuffer buffer;
  // Flushed after every output, as std::cerr is.
  static std::ostream stream(&buffer);
  stream.setf(std::ios::unitbuf);
  return stream;
}

ScopedConsoleInterrupt::ScopedConsoleInterrupt(std::atomic<int>& flag) {
  SetConsoleStopFlag(&flag);
}

ScopedConsoleInterrupt::~ScopedConsoleInterrupt() {
  SetConsoleStopFlag(nullptr);
}

}  // namespace platform
