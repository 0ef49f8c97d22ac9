#include "ui/win32/DialogTemplateEx.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WidePath.h"

namespace win32ui {
namespace {

using resources::ControlKind;
using resources::ControlTemplate;

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const wchar_t* face) {
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &font, FontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

// The window class (a predefined atom, or a name) and style of a control.
struct ClassAndStyle {
  WORD atom;  // 0: the name
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ClassAndStyle ClassOf(const ControlTemplate& c, bool bPrevRadio) {
  using namespace resources;
  const bool border = (c.style & kBorder) != 0;
  DWORD scroll = ((c.style & kVScroll) ? WS_VSCROLL : 0) | ((c.style & kHScroll) ? WS_HSCROLL : 0);
  switch (c.kind) {
    case ControlKind::kPushButton:
      return {0x0080, nullptr, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kDefPushButton:
      return {0x0080, nullptr, BS_DEFPUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kCheckBox:
      return {0x0080, nullptr,
              BS_AUTOCHECKBOX | WS_TABSTOP | ((c.style & kPushLike) ? BS_PUSHLIKE : 0u), 0};
    case ControlKind::kRadioButton:
      // One group of automatic radio buttons; the first takes the tab stop.
      return {0x0080, nullptr, BS_AUTORADIOBUTTON | (bPrevRadio ? 0u : DWORD(WS_TABSTOP)), 0};
    case ControlKind::kGroupBox:
      return {0x0080, nullptr, BS_GROUPBOX, 0};
    case ControlKind::kLabel:
      return {0x0082, nullptr,
              ((c.style & kCentered) ? SS_CENTER | SS_CENTERIMAGE : SS_LEFT) |
                  ((c.style & kSunken) ? SS_SUNKEN : 0u) |
                  ((c.style & kNoPrefix) ? SS_NOPREFIX : 0u),
              0};
    case ControlKind::kIcon:
      return {0x0082, nullptr, SS_ICON, 0};
    case ControlKind::kEdit:
      return {0x0081, nullptr,
              WS_TABSTOP | scroll |
                  ((c.style & kMultiLine) ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL) |
                  ((c.style & kReadOnly) ? ES_READONLY : 0u),
              border ? DWORD(WS_EX_CLIENTEDGE) : 0u};
    case ControlKind::kListBox:
      return {0x0083, nullptr,
              LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT | WS_TABSTOP | scroll |
                  ((c.style & kNoScrollHide) ? LBS_DISABLENOSCROLL : 0u),
              border ? DWORD(WS_EX_CLIENTEDGE) : 0u};
    case ControlKind::kComboDropDown:
      return {0x0085, nullptr, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | scroll, 0};
    case ControlKind::kComboDropList:
      return {0x0085, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP | scroll, 0};
    case ControlKind::kProgress:
      return {0, PROGRESS_CLASSW, PBS_SMOOTH, 0};
    case ControlKind::kTreeView:
      // Rows with columns, indented by depth; their texts are asked for as they are shown.
      return {0, WC_LISTVIEWW,
              LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
              border ? DWORD(WS_EX_CLIENTEDGE) : 0u};
  }
  return {0x0082, nullptr, SS_LEFT, 0};
}

}  // namespace

std::wstring DialogFontFace() {
  for (const wchar_t* face : {L"Yu Gothic UI", L"Meiryo UI"})
    if (FontInstalled(face)) return face;
  return L"MS UI Gothic";
}

bool CDialogTemplateEx::Grows(const resources::DialogTemplate& t) {
  return std::any_of(t.controls.begin(), t.controls.end(), [](const ControlTemplate& c) {
    return (c.style & (resources::kGrowX | resources::kGrowY)) != 0;
  });
}

void CDialogTemplateEx::Dword(DWORD d) {
  Word(LOWORD(d));
  Word(HIWORD(d));
}

void CDialogTemplateEx::Text(const std::wstring& text) {
  for (const wchar_t c : text) Word(c);
  Word(0);
}

void CDialogTemplateEx::Align() {
  if (m_words.size() % 2) Word(0);
}

CDialogTemplateEx::CDialogTemplateEx(const resources::DialogTemplate& t) {
  const DWORD frame = Grows(t) ? WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX : DS_MODALFRAME;
  Word(1);       // dlgVer
  Word(0xFFFF);  // signature
  Dword(0);      // helpID
  Dword(WS_EX_CONTROLPARENT);
  Dword(DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | frame);
  Word(static_cast<WORD>(t.controls.size()));
  Word(0);
  Word(0);
  Word(static_cast<WORD>(t.cx));
  Word(static_cast<WORD>(t.cy));
  Word(0);  // no menu
  Word(0);  // the dialog class
  Text(platform::Widen(t.caption));
  Word(9);  // points
  Word(FW_NORMAL);
  Word(MAKEWORD(FALSE, SHIFTJIS_CHARSET));  // italic, charset
  Text(DialogFontFace());
  bool bPrevRadio = false;
  for (const ControlTemplate& c : t.controls) {
    Align();
    const ClassAndStyle cls = ClassOf(c, bPrevRadio);
    // A new group starts at every control but the radio buttons after the first.
    const bool bGroup = c.kind != ControlKind::kRadioButton || !bPrevRadio;
    bPrevRadio = c.kind == ControlKind::kRadioButton;
    DWORD style = WS_CHILD | cls.style | (bGroup ? DWORD(WS_GROUP) : 0u);
    if (!(c.style & resources::kHidden)) style |= WS_VISIBLE;
    if (c.style & resources::kDisabled) style |= WS_DISABLED;
    Dword(0);  // helpID
    Dword(cls.exStyle);
    Dword(style);
    Word(static_cast<WORD>(c.x));
    Word(static_cast<WORD>(c.y));
    Word(static_cast<WORD>(c.cx));
    Word(static_cast<WORD>(c.cy));
    Dword(static_cast<DWORD>(c.nId));
    if (cls.atom) {
      Word(0xFFFF);
      Word(cls.atom);
    } else {
      Text(cls.name);
    }
    Text(platform::Widen(c.caption));
    Word(0);  // no creation data
  }
}

}  // namespace win32ui
