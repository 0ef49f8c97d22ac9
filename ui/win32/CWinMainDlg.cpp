#include "ui/win32/CWinMainDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "platform/win32/WidePath.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/MainDialog.h"
#include "ui/resources/Strings.h"
#include "ui/win32/CWinAboutDlg.h"
#include "ui/win32/CWinMessageBox.h"
#include "ui/win32/ProgramIcon.h"
#include "ui/win32/Shell.h"

namespace win32ui {
namespace {
using namespace resources;
// Enter outside a button asks the dialog for its default button: this id, which no
// control has, so that Enter never closes the dialog.
constexpr int kNoDefaultButton = 0x7FFF;
constexpr int kCloseCommand = 0x7FFE;
constexpr char kSizeKey[] = "window/size";
}  // namespace

CWinMainDlg::CWinMainDlg()
    : CWinDialog(kMainDialog), CMainBehaviour(static_cast<IMainView&>(*this)) {
  m_dlgPreview.m_jobOfDialog = [this] { return PreviewJob(); };
}

CWinMainDlg::~CWinMainDlg() {
  Stop();
  m_tasks.Detach();
}

INT_PTR CWinMainDlg::DoModal(const std::vector<std::string>& files) {
  m_astrStartFiles = files;
  return CWinDialog::DoModal(nullptr);
}

void CWinMainDlg::OnInitDialog() {
  m_tasks.Attach(m_hWnd);
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon(m_hWnd, false)));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon(m_hWnd, true)));
  // The window menu: the about entry after a separator.
  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE); menu && IDS_ABOUTBOX[0]) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, platform::Widen(IDS_ABOUTBOX).c_str());
  }
  SendMessageW(Item(kIdProgress), PBM_SETRANGE32, 0, kProgressMax);
  SendMessageW(Item(kIdSeparator), CB_LIMITTEXT, 0, 0);
  DragAcceptFiles(m_hWnd, TRUE);
  CMainBehaviour::OnInitDialog(m_astrStartFiles);
  RestoreSize();
}

void CWinMainDlg::Close() {
  if (!OnClose()) return;
  SaveSize();
  if (m_dlgPreview.Handle()) ShowWindow(m_dlgPreview.Handle(), SW_HIDE);
  EndDialog(m_hWnd, IDOK);
}

void CWinMainDlg::OnCommand(int nId, int nCode, HWND) {
  if (nId == kIdOk || nId == kIdCancel || nId == kCloseCommand) {
    if (nCode == BN_CLICKED) Close();
    return;
  }
  if (nId == kIdInputList) {
    if (nCode == LBN_SELCHANGE) OnSelchangeList();
    return;
  }
  if (nId == kIdSeparator) {
    if (nCode == CBN_EDITCHANGE) {
      m_bSeparatorEdited = true;
      OnEditchangeSeparator();
    } else if (nCode == CBN_SELCHANGE) {
      m_bSeparatorEdited = false;
      OnSelchangeSeparator();
    }
    return;
  }
  if (nCode == BN_CLICKED) OnButton(nId);
}

INT_PTR CWinMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CTaskQueue::kWmTask:
      m_tasks.RunAll();
      return TRUE;
    case CWinMessageBox::kWmMessageBox:
      SetWindowLongPtrW(
          m_hWnd, DWLP_MSGRESULT,
          CWinMessageBox::Show(m_hWnd, *reinterpret_cast<platform::Message*>(lParam)));
      return TRUE;
    case WM_TIMER:
      OnTimer(static_cast<int>(wParam));
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case DM_GETDEFID:
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, MAKELRESULT(kNoDefaultButton, DC_HASDEFID));
      return TRUE;
    case WM_VKEYTOITEM:
      // Delete in the list removes the selected input.
      if (LOWORD(wParam) == VK_DELETE) {
        OnDelete();
        return -2;
      }
      return -1;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return TRUE;
      }
      return FALSE;
    case WM_CONTEXTMENU: {
      // The background's menu: close, and the about entry.
      if (reinterpret_cast<HWND>(wParam) != m_hWnd) return FALSE;
      HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, kCloseCommand, L"閉じる(&C)");
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, platform::Widen(IDS_ABOUTBOX).c_str());
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (at.x == -1 && at.y == -1) GetCursorPos(&at);
      const int chosen =
          TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
      DestroyMenu(menu);
      if (chosen == kCloseCommand) Close();
      if (chosen == IDM_ABOUTBOX) OnAbout();
      return TRUE;
    }
    case WM_DESTROY:
      DragAcceptFiles(m_hWnd, FALSE);
      return FALSE;
    default:
      return FALSE;
  }
}

void CWinMainDlg::OnDropFiles(HDROP drop) {
  POINT at;
  DragQueryPoint(drop, &at);
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(platform::Narrow(path));
  }
  DragFinish(drop);
  // Files dropped on the list are added in their order; one dropped on the output field
  // replaces its text; elsewhere a drop does nothing.
  const HWND target = ChildWindowFromPointEx(m_hWnd, at, CWP_SKIPINVISIBLE);
  if (paths.empty()) return;
  if (target == Item(kIdInputList)) OnDropOnList(paths);
  if (target == Item(kIdOutput)) OnDropOnOutput(paths.front());
}

std::string CWinMainDlg::Text(int nId) const {
  if (nId == kIdSeparator && !m_bSeparatorEdited) {
    const int item = Selection(nId);
    if (item >= 0) {
      const HWND combo = Item(nId);
      std::wstring text(SendMessageW(combo, CB_GETLBTEXTLEN, item, 0) + 1, L'\0');
      text.resize(SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text.data())));
      return platform::Narrow(text);
    }
  }
  return ItemText(nId);
}

void CWinMainDlg::SetText(int nId, const std::string& text) {
  SetItemText(nId, text);
  if (nId == kIdSeparator) m_bSeparatorEdited = true;
}

bool CWinMainDlg::IsChecked(int nId) const {
  return IsDlgButtonChecked(m_hWnd, nId) == BST_CHECKED;
}

void CWinMainDlg::SetChecked(int nId, bool bChecked) {
  CheckDlgButton(m_hWnd, nId, bChecked ? BST_CHECKED : BST_UNCHECKED);
}

int CWinMainDlg::Selection(int nId) const {
  if (nId == kIdSeparator)
    return m_bSeparatorEdited ? -1 : static_cast<int>(SendMessageW(Item(nId), CB_GETCURSEL, 0, 0));
  return static_cast<int>(SendMessageW(Item(nId), LB_GETCURSEL, 0, 0));
}

void CWinMainDlg::SetSelection(int nId, int nIndex) {
  if (nId == kIdSeparator) {
    m_bSeparatorEdited = false;
    SendMessageW(Item(nId), CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
    return;
  }
  SendMessageW(Item(nId), LB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
}

void CWinMainDlg::SetItems(int nId, const std::vector<std::string>& items) {
  const HWND control = Item(nId);
  const bool bList = nId == kIdInputList;
  SendMessageW(control, bList ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
  // The list scrolls as far as its longest path.
  HDC dc = GetDC(control);
  const HGDIOBJ font =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const std::string& item : items) {
    const std::wstring wide = platform::Widen(item);
    SendMessageW(control, bList ? LB_ADDSTRING : CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(wide.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(dc, font);
  ReleaseDC(control, dc);
  if (bList) SendMessageW(control, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

void CWinMainDlg::Enable(int nId, bool bEnable) {
  EnableWindow(Item(nId), bEnable);
}

void CWinMainDlg::Focus(int nId) {
  SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(nId)), TRUE);
}

void CWinMainDlg::SetTimer(int nTimer, int nMilliseconds) {
  if (nMilliseconds == 0)
    KillTimer(m_hWnd, static_cast<UINT_PTR>(nTimer));
  else
    ::SetTimer(m_hWnd, static_cast<UINT_PTR>(nTimer), static_cast<UINT>(nMilliseconds), nullptr);
}

void CWinMainDlg::SetProgress(int nId, int nValue) {
  SendMessageW(Item(nId), PBM_SETPOS, static_cast<WPARAM>(nValue), 0);
}

std::vector<std::string> CWinMainDlg::ChooseInputs(const std::string& folder) {
  return ChooseOpenFiles(m_hWnd, folder, kFileFilter);
}

std::string CWinMainDlg::ChooseOutput(const std::string& path) {
  return ChooseSaveFile(m_hWnd, path, kFileFilter);
}

std::string CWinMainDlg::Setting(const std::string& key) const {
  return ReadSetting(key);
}

void CWinMainDlg::SetSetting(const std::string& key, const std::string& value) {
  WriteSetting(key, value);
}

void CWinMainDlg::WaitUntil(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
      return;
    }
    if (m_hWnd && IsDialogMessageW(m_hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool CWinMainDlg::ShowOptions() {
  return m_dlgOptions.DoModal(m_hWnd) == IDOK;
}

void CWinMainDlg::ShowPreview() {
  m_dlgPreview.Open(m_hWnd);
}

void CWinMainDlg::ShowAbout() {
  CWinAboutDlg about;
  about.DoModal(m_hWnd);
}

std::string CWinMainDlg::DefaultOutputPath() const {
  return DefaultOutputFolder() + "\\" + kDefaultOutputName;
}

void CWinMainDlg::RestoreSize() {
  // Kept at 96 DPI, so that it means the same on a screen of another scale.
  int width = 0, height = 0;
  if (std::sscanf(ReadSetting(kSizeKey).c_str(), "%dx%d", &width, &height) != 2) return;
  const int dpi = static_cast<int>(GetDpiForWindow(m_hWnd));
  RECT r;
  GetWindowRect(m_hWnd, &r);
  // Never smaller than the template, nor larger than the screen it opens on.
  MONITORINFO screen{};
  screen.cbSize = sizeof(screen);
  GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &screen);
  const SIZE least = TemplateSize();
  const RECT& work = screen.rcWork;
  width = std::max(static_cast<int>(least.cx),
                   std::min(MulDiv(width, dpi, 96), static_cast<int>(work.right - work.left)));
  height = std::max(static_cast<int>(least.cy),
                    std::min(MulDiv(height, dpi, 96), static_cast<int>(work.bottom - work.top)));
  // Centred where the template put it.
  SetWindowPos(m_hWnd, nullptr, r.left - (width - (r.right - r.left)) / 2,
               r.top - (height - (r.bottom - r.top)) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWinMainDlg::SaveSize() {
  WINDOWPLACEMENT place{};
  place.length = sizeof(place);
  GetWindowPlacement(m_hWnd, &place);
  const RECT& r = place.rcNormalPosition;
  const int dpi = static_cast<int>(GetDpiForWindow(m_hWnd));
  WriteSetting(kSizeKey, std::to_string(MulDiv(r.right - r.left, 96, dpi)) + "x" +
                             std::to_string(MulDiv(r.bottom - r.top, 96, dpi)));
}

}  // namespace win32ui
