#pragma once

// Drives velmorant.exe from another process, as a user would: its windows found by title,
// its controls read and pressed through their messages.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WidePath.h"
#include "tests/support/TestFiles.h"
#include "ui/resources/ControlIds.h"

namespace win32_test {

// The main dialog's title, with the project's version.
inline constexpr char kTitle[] = "Velmorant Ver" VELMORANT_VERSION;

// Waits for `done`, looking every few milliseconds; false after `seconds`.
inline bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline std::string WindowText(HWND hWnd) {
  wchar_t text[4096] = {};
  SendMessageTimeoutW(hWnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return platform::Narrow(text);
}

// velmorant.exe started with `args`, and its windows.
class Dialog {
 public:
  explicit Dialog(const std::vector<std::string>& args, const char* pace = "") {
    SetEnvironmentVariableW(L"VELMORANT_TEST_PACE_MS", platform::Widen(pace).c_str());
    // Each start is a first start: no size or folders kept from another.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmorant");
    std::wstring line = L"velmorant.exe";
    for (const std::string& arg : args) line += L" \"" + platform::Widen(arg) + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof(start);
    const std::wstring program = platform::Widen(VELMORANT_DIALOG_PATH);
    m_bStarted = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &start, &m_process);
    if (m_bStarted) WaitFor([this] { return (m_hWnd = Find(kTitle)) != nullptr; });
  }
  ~Dialog() {
    if (!m_bStarted) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(m_process.hProcess, 1);
    CloseHandle(m_process.hProcess);
    CloseHandle(m_process.hThread);
  }

  // A top-level window of the program with this title (a message box's ends with it).
  HWND Find(const std::string& title) const {
    struct Search {
      DWORD pid;
      std::string title;
      HWND found;
    } search{m_process.dwProcessId, title, nullptr};
    EnumWindows(
        [](HWND hWnd, LPARAM p) {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(hWnd, &pid);
          const std::string text = WindowText(hWnd);
          if (pid == s->pid && IsWindowVisible(hWnd) && text.size() >= s->title.size() &&
              text.compare(text.size() - s->title.size(), s->title.size(), s->title) == 0)
            s->found = hWnd;
          return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND Window() const { return m_hWnd; }
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  void Press(int id) const {
    PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(id)));
  }
  // The list's rows; a row the program removes meanwhile ends them.
  std::vector<std::string> Inputs() const {
    std::vector<std::string> rows;
    const HWND list = Item(resources::kIdInputList);
    const auto n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
      std::wstring row(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, 0);
      const LRESULT got = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()));
      if (length < 0 || got < 0 || got > length) break;
      row.resize(static_cast<std::size_t>(got));
      rows.push_back(platform::Narrow(row));
    }
    return rows;
  }
  int Bar() const {
    return static_cast<int>(SendMessageW(Item(resources::kIdProgress), PBM_GETPOS, 0, 0));
  }
  // Waits for the program's message box, returns its text and presses `button` in it.
  std::string Answer(int button) const {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = Find("Velmorant")) != nullptr && box != m_hWnd; })) return {};
    // The message is the box's longest static text.
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      wchar_t cls[32] = {};
      GetClassNameW(c, cls, 32);
      const std::string t = WindowText(c);
      if (lstrcmpiW(cls, L"Static") == 0 && t.size() > text.size()) text = t;
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    return text;
  }
  // 終了, and the program's end.
  bool Close() const {
    Press(resources::kIdOk);
    return Ended();
  }
  bool Ended() const { return WaitForSingleObject(m_process.hProcess, 20000) == WAIT_OBJECT_0; }

 private:
  PROCESS_INFORMATION m_process{};
  bool m_bStarted = false;
  HWND m_hWnd = nullptr;
};

inline std::string Windows(const std::string& path) {
  return testing_support::Utf8Of(testing_support::PathOf(path).make_preferred());
}

}  // namespace win32_test
