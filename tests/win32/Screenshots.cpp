// Saves pictures of the Windows dialogs as BMP files into the folder given (make
// screenshots-windows): the main dialog with a log listed, the options, the preview of that
// log and the about box, each as the screen shows it.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/win32/DialogDriver.h"
#include "ui/resources/Strings.h"

namespace {

using win32_test::Dialog;
using win32_test::WaitFor;

void Save(HWND hWnd, const std::string& path) {
  RECT r;
  GetWindowRect(hWnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(dc, old);
  const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
  const BITMAPFILEHEADER file{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::ofstream out(testing_support::PathOf(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), size);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// Shows the window `title` with `open`, saves it as `name` and closes it.
void Shoot(const Dialog& dlg, const std::string& folder, const char* title, const char* name,
           const std::function<void()>& open) {
  open();
  HWND window = nullptr;
  if (!WaitFor([&] { return (window = dlg.Find(title)) != nullptr; }, 20)) {
    std::fprintf(stderr, "no window %s\n", title);
    return;
  }
  Sleep(500);  // its first painting
  Save(window, folder + "\\" + name);
  if (window != dlg.Window()) PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: windows-screenshots FOLDER LOG\n");
    return 2;
  }
  const std::string folder = argv[1];
  Dialog dlg({argv[2]});
  if (!dlg.Window()) return 1;
  Shoot(dlg, folder, win32_test::kTitle, "main.bmp", [] {});
  using namespace resources;
  Shoot(dlg, folder, "Velmorantのオプション設定", "options.bmp", [&] { dlg.Press(kIdOptions); });
  Shoot(dlg, folder, "区切りのプレビュー", "preview.bmp", [&] { dlg.Press(kIdPreview); });
  Shoot(dlg, folder, "Velmorantのﾊﾞｰｼﾞｮﾝ情報", "about.bmp",
        [&] { PostMessageW(dlg.Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
  return dlg.Close() ? 0 : 1;
}
