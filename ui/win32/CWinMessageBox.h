#pragma once

#include <windows.h>

#include "platform/MessageBox.h"

namespace win32ui {

// The program's messages as MessageBoxW, in Japanese, over the window in front. A run on
// another thread has its box shown by the UI thread (through kWmMessageBox to `owner`) and
// waits for the answer.
class CWinMessageBox {
 public:
  static constexpr UINT kWmMessageBox = WM_APP + 2;

  // The sink for the lifetime of the result; boxes of other threads go to `owner`'s thread.
  platform::ScopedMessageSink Install(const HWND& owner);
  // On the UI thread.
  static int Show(HWND owner, const platform::Message& m);
};

}  // namespace win32ui
