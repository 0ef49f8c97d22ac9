#pragma once

#include <windows.h>

namespace win32ui {

// The program's icon from its resources, large or small at the window's DPI.
HICON ProgramIcon(HWND hWnd, bool bSmall);
inline constexpr int kIconResource = 1;

}  // namespace win32ui
