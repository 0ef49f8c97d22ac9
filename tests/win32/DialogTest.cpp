// The Windows dialog as a user drives it, from another process: it opens with the files of
// its command line, a run started from it takes the options set in its options dialog, its
// bar moves during a long run, and a stop leaves the old output.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/win32/WidePath.h"
#include "tests/support/TestFiles.h"
#include "tests/win32/DialogDriver.h"
#include "ui/resources/ControlIds.h"

using namespace resources;
using testing_support::ReadFile;
using testing_support::TempDir;
using win32_test::Dialog;
using win32_test::WaitFor;
using win32_test::Windows;

namespace {

// Opened with two files; then grown by 200 x 100 pixels, Enter in the fields, a run with
// layer 1 reversed in the options dialog, and Esc.
TEST(WindowsDialog, OpensWithTheFilesOfItsCommandLineGrowsRunsAndClosesOnEscOnly) {
  TempDir d;
  const std::string log = testing_support::MakeBoardLog(1000);
  const std::string a = Windows(d.Write("ログ 一.html", log));
  const std::string b = Windows(d.Write("b.html", log));
  Dialog dlg({b, a});
  ASSERT_TRUE(dlg.Window());
  EXPECT_EQ(win32_test::WindowText(dlg.Window()), win32_test::kTitle);
  EXPECT_EQ(dlg.Inputs(), (std::vector<std::string>{b, a}));

  // How each control moved (x, y) and grew (width, height), as the Qt window's do.
  const struct {
    int id;
    RECT change;
  } rows[] = {{kIdInputList, {0, 0, 200, 100}}, {kIdMoveDown, {200, 0, 0, 0}},
              {kIdEuc, {0, 100, 0, 0}},         {kIdOutput, {0, 100, 200, 0}},
              {kIdProgress, {0, 100, 200, 0}},  {kIdOk, {200, 100, 0, 0}}};
  const auto place = [&dlg](int id) {  // in the dialog's client area: x, y, width, height
    RECT r;
    GetWindowRect(dlg.Item(id), &r);
    MapWindowPoints(nullptr, dlg.Window(), reinterpret_cast<POINT*>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  std::vector<RECT> before;
  for (const auto& row : rows) before.push_back(place(row.id));
  RECT window;
  GetWindowRect(dlg.Window(), &window);
  SetWindowPos(dlg.Window(), nullptr, 0, 0, window.right - window.left + 200,
               window.bottom - window.top + 100, SWP_NOMOVE | SWP_NOZORDER);
  const auto change = [&](std::size_t i) {
    const RECT after = place(rows[i].id);
    return RECT{after.left - before[i].left, after.top - before[i].top,
                after.right - before[i].right, after.bottom - before[i].bottom};
  };
  const auto laidOut = [&] {  // the window lays its controls out on its own thread
    for (std::size_t i = 0; i < std::size(rows); ++i)
      if (const RECT c = change(i); !EqualRect(&c, &rows[i].change)) return false;
    return true;
  };
  WaitFor(laidOut, 5);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const RECT c = change(i);
    EXPECT_TRUE(EqualRect(&c, &rows[i].change))
        << rows[i].id << ": " << c.left << " " << c.top << " " << c.right << " " << c.bottom;
  }

  // The preview, a window beside the modal dialog, takes its own keys: Esc hides it.
  dlg.Press(kIdPreview);
  HWND preview = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (preview = dlg.Find("区切りのプレビュー")) != nullptr; }));
  PostMessageW(GetDlgItem(preview, kIdPreviewTree), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(preview); }, 5));

  // Enter outside a button presses nothing (a delete posted after the keys shows they were
  // taken).
  for (const int id : {kIdOutput, kIdInputList}) {
    PostMessageW(dlg.Item(id), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(dlg.Item(id), WM_KEYUP, VK_RETURN, 0xC0000001);
  }
  dlg.Press(kIdDeleteInput);
  EXPECT_TRUE(WaitFor([&] { return dlg.Inputs().size() == 1; }));
  EXPECT_TRUE(IsWindowVisible(dlg.Window()));

  dlg.Press(kIdOptions);
  HWND options = nullptr;
  ASSERT_TRUE(
      WaitFor([&] { return (options = dlg.Find("Velmorantのオプション設定")) != nullptr; }));
  // A click on the layer's toggle: it turns on and says so.
  const HWND layer = GetDlgItem(options, kReverseLayerIds[1]);
  SendMessageW(layer, BM_SETCHECK, BST_CHECKED, 0);
  PostMessageW(options, WM_COMMAND, MAKEWPARAM(kReverseLayerIds[1], BN_CLICKED),
               reinterpret_cast<LPARAM>(layer));
  PostMessageW(options, WM_COMMAND, MAKEWPARAM(kIdOk, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(options); }));
  // The run writes the posts reversed; Esc closes.
  const std::string output = Windows(d.File("out.html"));
  SetWindowTextW(dlg.Item(kIdOutput), platform::Widen(output).c_str());
  dlg.Press(kIdRun);
  EXPECT_EQ(dlg.Answer(IDOK), "正常に終了しました");
  const std::string written = ReadFile(output);
  EXPECT_LT(written.find("<dt>1 "), written.find("<dt>0 "));
  PostMessageW(dlg.Item(kIdInputList), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(dlg.Ended());
  // The output's folder is kept for the next start, in the program's own key.
  wchar_t kept[1024] = {};
  DWORD size = sizeof(kept);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Velmorant", L"folders/output",
                         RRF_RT_REG_SZ, nullptr, kept, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(platform::Narrow(kept), Windows(d.Path()));
}

// A long run moves the bar; 終了 asks, Yes stops the run and the old output stays.
TEST(WindowsDialog, BarMovesAndAStopLeavesTheOldOutput) {
  TempDir d;
  const std::string input = Windows(d.Write("log.html", testing_support::MakeBoardLog(48u << 20)));
  const std::string output = Windows(d.Write("out.html", "the old output\r\n"));
  Dialog dlg({input}, "150");
  ASSERT_TRUE(dlg.Window());
  SetWindowTextW(dlg.Item(kIdOutput), platform::Widen(output).c_str());
  dlg.Press(kIdRun);
  EXPECT_NE(dlg.Answer(IDYES).find("上書きしますか"), std::string::npos);
  std::set<int> seen;
  ASSERT_TRUE(WaitFor([&] {
    if (dlg.Bar() > 0) seen.insert(dlg.Bar());
    return seen.size() >= 3;
  }));
  EXPECT_LT(*seen.rbegin(), 1000);
  dlg.Press(kIdOk);
  EXPECT_EQ(dlg.Answer(IDYES), "変換を中止しますか？");
  const std::string closing = dlg.Answer(IDOK);
  EXPECT_EQ(closing.substr(0, closing.find('\n')), "変換を中止しました");
  EXPECT_EQ(ReadFile(output), "the old output\r\n");
  EXPECT_EQ(dlg.Bar(), 0);
  EXPECT_TRUE(dlg.Close());
}

}  // namespace
