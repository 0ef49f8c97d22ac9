#include "ui/win32/CWinDialog.h"

#include <algorithm>

#include "platform/win32/WidePath.h"

namespace win32ui {

CWinDialog::CWinDialog(const resources::DialogTemplate& t) : m_template(t), m_data(t) {}

CWinDialog::~CWinDialog() {
  if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

INT_PTR CWinDialog::DoModal(HWND owner) {
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), m_data.Get(), owner, Proc,
                                 reinterpret_cast<LPARAM>(this));
}

HWND CWinDialog::Create(HWND owner) {
  if (!m_hWnd)
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr), m_data.Get(), owner, Proc,
                               reinterpret_cast<LPARAM>(this));
  return m_hWnd;
}

std::string CWinDialog::ItemText(int nId) const {
  const HWND item = Item(nId);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), int(text.size()))));
  return platform::Narrow(text);
}

void CWinDialog::SetItemText(int nId, const std::string& text) {
  SetWindowTextW(Item(nId), platform::Widen(text).c_str());
}

RECT CWinDialog::Mapped(int x, int y, int cx, int cy) const {
  // Place and size each mapped on their own, as the dialog manager does when it creates the
  // controls: mapping the right edge instead can make a control a pixel narrower.
  RECT r{x, y, cx, cy};
  MapDialogRect(m_hWnd, &r);
  return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

SIZE CWinDialog::TemplateSize() const {
  const RECT r = Mapped(0, 0, m_template.cx, m_template.cy);
  RECT frame{0, 0, r.right, r.bottom};
  AdjustWindowRectEx(&frame, GetWindowLongW(m_hWnd, GWL_STYLE), FALSE,
                     GetWindowLongW(m_hWnd, GWL_EXSTYLE));
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void CWinDialog::Layout() {
  if (m_controls.size() != m_template.controls.size()) return;
  RECT client;
  GetClientRect(m_hWnd, &client);
  const RECT base = Mapped(0, 0, m_template.cx, m_template.cy);
  const int dx = std::max(0L, client.right - base.right);
  const int dy = std::max(0L, client.bottom - base.bottom);
  HDWP moves = BeginDeferWindowPos(static_cast<int>(m_controls.size()));
  for (std::size_t i = 0; i < m_controls.size() && moves; ++i) {
    const resources::ControlTemplate& c = m_template.controls[i];
    RECT r = Mapped(c.x, c.y, c.cx, c.cy);
    if (c.style & resources::kMoveX) OffsetRect(&r, dx, 0);
    if (c.style & resources::kMoveY) OffsetRect(&r, 0, dy);
    if (c.style & resources::kGrowX) r.right += dx;
    if (c.style & resources::kGrowY) r.bottom += dy;
    moves = DeferWindowPos(moves, m_controls[i], nullptr, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (moves) EndDeferWindowPos(moves);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

INT_PTR CALLBACK CWinDialog::Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CWinDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CWinDialog*>(lParam);
    SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    self->m_hWnd = hWnd;
  }
  if (!self) return FALSE;
  const INT_PTR result = self->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->m_hWnd = nullptr;
  return result;
}

INT_PTR CWinDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // The children stand in creation order, which is the template's.
      m_controls.clear();
      for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        m_controls.push_back(child);
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_SIZE:
      Layout();
      break;
    case WM_GETMINMAXINFO: {
      // Never smaller than the template.
      if (!m_hWnd || !CDialogTemplateEx::Grows(m_template)) break;
      const SIZE least = TemplateSize();
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {least.cx, least.cy};
      return TRUE;
    }
    case WM_DPICHANGED: {
      // The dialog manager scales the font; the window takes the size Windows proposes.
      const RECT* r = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(m_hWnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return TRUE;
    }
    default:
      break;
  }
  return OnMessage(message, wParam, lParam);
}

}  // namespace win32ui
