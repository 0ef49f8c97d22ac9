#include "ui/win32/ProgramIcon.h"

namespace win32ui {

HICON ProgramIcon(HWND hWnd, bool bSmall) {
  const UINT dpi = GetDpiForWindow(hWnd);
  const int size = MulDiv(bSmall ? 16 : 32, dpi ? static_cast<int>(dpi) : 96, 96);
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace win32ui
