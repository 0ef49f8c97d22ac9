#include "ui/win32/CWinPreviewDlg.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/sections/Outline.h"
#include "platform/win32/WidePath.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/PreviewDialog.h"

namespace win32ui {
namespace {
using namespace resources;
using engine::SectionAction;

enum Column { kLayer, kOffset, kLength, kAction, kText, kColumnCount };
constexpr int kMarkSize = 16;

// A mark for each action, told apart by shape as well as colour, as in the Qt tree: an
// arrow down for in order, up for reversed, a cross for cut, a dot for kept, a bar for whole.
HBITMAP DrawMark(HDC screen, int action, int size) {
  const auto k = [size](int v) { return v * size / kMarkSize; };  // drawn for 16 pixels
  const COLORREF colours[] = {RGB(0x2E, 0x7D, 0x32), RGB(0x15, 0x65, 0xC0), RGB(0xC6, 0x28, 0x28),
                              RGB(0xB2, 0x6A, 0x00), RGB(0x75, 0x75, 0x75)};
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT all{0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HPEN pen = CreatePen(PS_SOLID, k(2), colours[action]);
  HBRUSH brush = CreateSolidBrush(colours[action]);
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  switch (static_cast<SectionAction>(action)) {
    case SectionAction::kInOrder:
    case SectionAction::kReversed: {
      const bool bUp = static_cast<SectionAction>(action) == SectionAction::kReversed;
      const int tip = k(bUp ? 2 : 13);
      MoveToEx(dc, k(8), k(bUp ? 13 : 2), nullptr);
      LineTo(dc, k(8), tip);
      const POINT head[] = {{k(8), tip}, {k(3), k(8)}, {k(13), k(8)}};
      Polygon(dc, head, 3);
      break;
    }
    case SectionAction::kCut:
      MoveToEx(dc, k(4), k(4), nullptr);
      LineTo(dc, k(12), k(12));
      MoveToEx(dc, k(12), k(4), nullptr);
      LineTo(dc, k(4), k(12));
      break;
    case SectionAction::kKept:
      Ellipse(dc, k(4), k(4), k(12), k(12));
      break;
    case SectionAction::kWhole:
      Rectangle(dc, k(3), k(6), k(13), k(10));
      break;
  }
  SelectObject(dc, old);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteDC(dc);
  return bitmap;
}
// A cell's width for `text` in the list's font, with its margins at the window's scale.
int StringWidth(HWND list, const std::string& text) {
  const std::wstring wide = platform::Widen(text);
  HDC dc = GetDC(list);
  const HGDIOBJ font =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, font);
  ReleaseDC(list, dc);
  const int dpi = static_cast<int>(GetDpiForWindow(list));
  return static_cast<int>(size.cx) + MulDiv(24, dpi ? dpi : 96, 96);
}
// The preview while it stands: the main dialog's modal loop hands it its keys (Tab, Esc).
HWND g_hPreview = nullptr;

// The modal loop of the main dialog passes every message through here before it dispatches
// it; the preview's own keys go to its dialog manager.
LRESULT CALLBACK PreviewKeys(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && g_hPreview && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
      (msg->hwnd == g_hPreview || IsChild(g_hPreview, msg->hwnd)) &&
      IsDialogMessageW(g_hPreview, msg))
    return TRUE;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

CWinPreviewDlg::CWinPreviewDlg()
    : CWinDialog(kPreviewDialog), CPreviewBehaviour(static_cast<IDialogView&>(*this)) {}

CWinPreviewDlg::~CWinPreviewDlg() {
  m_worker.Quit();  // its last result would be posted to this window
  m_tasks.Detach();
  if (m_hKeys) UnhookWindowsHookEx(m_hKeys);
  g_hPreview = nullptr;
  if (m_hMarks) ImageList_Destroy(m_hMarks);
  if (m_hCutFont) DeleteObject(m_hCutFont);
}

void CWinPreviewDlg::Open(HWND owner) {
  const bool bFirst = !m_hWnd;
  if (bFirst) Create(owner);
  if (!m_hWnd) return;
  if (bFirst) {
    // Beside the dialog, where its settings can be changed while the tree is watched: on
    // the side of its screen with more room.
    RECT dialog, mine;
    GetWindowRect(owner, &dialog);
    RECT wanted{0, 0, kPreviewWidth, kPreviewHeight};
    MapDialogRect(m_hWnd, &wanted);
    AdjustWindowRectEx(&wanted, GetWindowLongW(m_hWnd, GWL_STYLE), FALSE,
                       GetWindowLongW(m_hWnd, GWL_EXSTYLE));
    GetWindowRect(m_hWnd, &mine);
    MONITORINFO screen{};
    screen.cbSize = sizeof(screen);
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &screen);
    const RECT& work = screen.rcWork;
    const LONG right = work.right - dialog.right, left = dialog.left - work.left;
    const LONG least = mine.right - mine.left;
    const LONG width = std::max(least, std::min(wanted.right - wanted.left, std::max(left, right)));
    const LONG height = std::min(wanted.bottom - wanted.top, work.bottom - work.top);
    const LONG x = right >= left ? std::min(dialog.right, work.right - width)
                                 : std::max(dialog.left - width, work.left);
    const LONG y = std::clamp(dialog.top, work.top, std::max(work.top, work.bottom - height));
    SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(m_hWnd, SW_SHOW);
  SetForegroundWindow(m_hWnd);
  OnShown();
}

void CWinPreviewDlg::Hide() {
  ShowWindow(m_hWnd, SW_HIDE);
  OnHidden();
}

void CWinPreviewDlg::OnInitDialog() {
  m_tasks.Attach(m_hWnd);
  g_hPreview = m_hWnd;
  m_hKeys = SetWindowsHookExW(WH_MSGFILTER, PreviewKeys, nullptr, GetCurrentThreadId());
  const HWND list = Item(kIdPreviewTree);
  ListView_SetExtendedListViewStyle(
      list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_SUBITEMIMAGES);
  for (int c = 0; c < kColumnCount; ++c) {
    const std::wstring title = platform::Widen(kOutlineColumns[c]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    column.fmt = c == kOffset || c == kLength ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.cx = StringWidth(list, kOutlineColumns[c]);
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  const int dpi = static_cast<int>(GetDpiForWindow(m_hWnd));
  m_nMarkSize = MulDiv(kMarkSize, dpi ? dpi : 96, 96);
  m_hMarks = ImageList_Create(m_nMarkSize, m_nMarkSize, ILC_COLOR24 | ILC_MASK, 5, 0);
  HDC screen = GetDC(nullptr);
  for (int action = 0; action < 5; ++action) {
    HBITMAP mark = DrawMark(screen, action, m_nMarkSize);
    ImageList_AddMasked(m_hMarks, mark, RGB(255, 255, 255));
    DeleteObject(mark);
  }
  ReleaseDC(nullptr, screen);
  ListView_SetImageList(list, m_hMarks, LVSIL_SMALL);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(font), &font);
  font.lfStrikeOut = TRUE;
  m_hCutFont = CreateFontIndirectW(&font);
}

void CWinPreviewDlg::OnCommand(int nId, int nCode, HWND) {
  if ((nId == kIdCancel || nId == IDOK) && nCode == BN_CLICKED) Hide();
}

INT_PTR CWinPreviewDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CTaskQueue::kWmTask:
      m_tasks.RunAll();
      return TRUE;
    case WM_TIMER:
      OnTimer(static_cast<int>(wParam));
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR*>(lParam)));
      return TRUE;
    case WM_SIZE:
      FitColumns();
      return FALSE;
    default:
      return FALSE;
  }
}

void CWinPreviewDlg::SetText(int nId, const std::string& text) {
  if (nId != kIdPreviewMessages) {
    SetItemText(nId, text);
    return;
  }
  std::string lines;  // an edit control breaks lines at CR LF
  for (const char c : text) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
  SetItemText(nId, lines);
}

void CWinPreviewDlg::SetTimer(int nTimer, int nMilliseconds) {
  if (!m_hWnd) return;
  if (nMilliseconds == 0)
    KillTimer(m_hWnd, static_cast<UINT_PTR>(nTimer));
  else
    ::SetTimer(m_hWnd, static_cast<UINT_PTR>(nTimer), static_cast<UINT>(nMilliseconds), nullptr);
}

void CWinPreviewDlg::AddRows(std::uint32_t nNode, std::uint32_t nDepth) {
  m_rows.emplace_back(nNode, nDepth);
  const OutlineResult::Node& node = m_result->nodes[nNode];
  if (!node.pSection) return;
  for (std::size_t i = 0; i < node.pSection->children.size(); ++i)
    AddRows(node.nFirstChild + static_cast<std::uint32_t>(i), nDepth + 1);
}

std::unique_ptr<OutlineResult> CWinPreviewDlg::ShowResult(std::unique_ptr<OutlineResult> result) {
  std::swap(m_result, result);
  m_rows.clear();
  if (m_result)
    for (std::uint32_t i = 0; i < m_result->nTopLevel; ++i) AddRows(i, 0);
  const HWND list = Item(kIdPreviewTree);
  ListView_SetItemCountEx(list, static_cast<int>(m_rows.size()), 0);
  InvalidateRect(list, nullptr, TRUE);
  FitColumns();
  return result;
}

std::string CWinPreviewDlg::Cell(const Row& row, int nColumn) const {
  const OutlineResult::Node& node = m_result->nodes[row.first];
  const engine::OutlineSection* s = node.pSection;
  const engine::FileOutline& f = m_result->outline;
  if (!s) {  // the header or trailer row
    const bool bHeader = row.first == 0 && m_result->HasHeaderRow();
    const bool bFooter = !bHeader && !f.bTrailer;
    switch (nColumn) {
      case kLayer:
        return bHeader ? kHeaderRow : kTrailerRow;
      case kOffset:
        return bFooter ? "" : std::to_string(bHeader ? f.nHeaderOffset : f.nTrailerOffset);
      case kLength:
        return bFooter ? "" : std::to_string(bHeader ? f.nHeaderLength : f.nTrailerLength);
      case kText:
        return bFooter ? kFixedFooter : "";
      default:
        return {};
    }
  }
  switch (nColumn) {
    case kLayer:
      return "L" + std::to_string(s->nLayer) + " #" + std::to_string(s->nIndex);
    case kOffset:
      return std::to_string(s->nOffset);
    case kLength:
      return std::to_string(s->nLength);
    case kAction:
      return kActionLabels[static_cast<int>(s->action)];
    default:
      return engine::SectionText(f, *s);
  }
}

LRESULT CWinPreviewDlg::OnNotify(NMHDR* header) {
  if (header->idFrom != static_cast<UINT_PTR>(kIdPreviewTree) || !m_result) return 0;
  if (header->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= m_rows.size()) return 0;
    const Row& row = m_rows[static_cast<std::size_t>(item.iItem)];
    if (item.mask & LVIF_TEXT) {
      m_strCell = platform::Widen(Cell(row, item.iSubItem));
      item.pszText = m_strCell.data();
    }
    if (item.mask & LVIF_INDENT) item.iIndent = static_cast<int>(row.second);
    if (item.mask & LVIF_IMAGE) {
      const engine::OutlineSection* s = m_result->nodes[row.first].pSection;
      item.iImage = s && item.iSubItem == kAction ? static_cast<int>(s->action) : I_IMAGENONE;
    }
    return 0;
  }
  if (header->code == NM_CUSTOMDRAW) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const std::size_t index = draw->nmcd.dwItemSpec;
    if (index >= m_rows.size()) return CDRF_DODEFAULT;
    const engine::OutlineSection* s = m_result->nodes[m_rows[index].first].pSection;
    if (!s || s->action != SectionAction::kCut) return CDRF_DODEFAULT;
    // Cut rows are greyed and struck through.
    draw->clrText = GetSysColor(COLOR_GRAYTEXT);
    SelectObject(draw->nmcd.hdc, m_hCutFont);
    return CDRF_NEWFONT;
  }
  return 0;
}

void CWinPreviewDlg::FitColumns() {
  const HWND list = Item(kIdPreviewTree);
  if (!list) return;
  // Each column as wide as its title and its widest text, the text's the rest.
  int widths[kColumnCount] = {};
  for (int c = 0; c < kColumnCount; ++c) widths[c] = StringWidth(list, kOutlineColumns[c]);
  if (m_result) {
    std::size_t number = 0, index = 0;
    int layer = 0;
    for (const OutlineResult::Node& node : m_result->nodes) {
      if (!node.pSection) continue;
      number = std::max({number, node.pSection->nOffset, node.pSection->nLength});
      index = std::max(index, node.pSection->nIndex);
      layer = std::max(layer, node.pSection->nLayer);
    }
    const engine::FileOutline& f = m_result->outline;
    number = std::max({number, f.nHeaderLength, f.nTrailerOffset, f.nTrailerLength});
    const auto width = [list](const std::string& text) { return StringWidth(list, text); };
    widths[kLayer] = std::max({widths[kLayer], width(kTrailerRow) + m_nMarkSize,
                               width("L" + std::to_string(layer) + " #" + std::to_string(index)) +
                                   m_nMarkSize * (layer + 1)});
    widths[kOffset] = widths[kLength] = std::max(widths[kOffset], width(std::to_string(number)));
    for (const char* label : kActionLabels)
      widths[kAction] = std::max(widths[kAction], width(label) + m_nMarkSize + m_nMarkSize / 2);
  }
  RECT client;
  GetClientRect(list, &client);
  int rest = client.right - GetSystemMetrics(SM_CXVSCROLL);
  for (int c = 0; c < kText; ++c) {
    ListView_SetColumnWidth(list, c, widths[c]);
    rest -= widths[c];
  }
  ListView_SetColumnWidth(list, kText, std::max(widths[kText], rest));
}

}  // namespace win32ui
