#include "ui/win32/CWinMessageBox.h"

#include "platform/win32/WidePath.h"
#include "ui/resources/Strings.h"

namespace win32ui {

platform::ScopedMessageSink CWinMessageBox::Install(const HWND& owner) {
  const DWORD uiThread = GetCurrentThreadId();
  return platform::ScopedMessageSink([&owner, uiThread](const platform::Message& m) {
    if (GetCurrentThreadId() == uiThread || !owner) return Show(owner, m);
    return static_cast<int>(SendMessageW(owner, kWmMessageBox, 0, reinterpret_cast<LPARAM>(&m)));
  });
}

int CWinMessageBox::Show(HWND owner, const platform::Message& m) {
  const std::string title =
      m.title.empty() ? resources::kAppTitle : m.title + " - " + resources::kAppTitle;
  // Without an icon of its own, a box that only informs gets the information icon and any
  // other the warning icon: what is not news is a refusal or a failure.
  unsigned type = m.nType;
  if ((type & platform::kMbIconMask) == 0)
    type |= m.bInformation ? MB_ICONINFORMATION : MB_ICONWARNING;
  // Over the window in front of this thread (a modal dialog), else the owner.
  const HWND active = GetActiveWindow();
  return MessageBoxW(active ? active : owner, platform::Widen(m.text).c_str(),
                     platform::Widen(title).c_str(), type | MB_SETFOREGROUND);
}

}  // namespace win32ui
