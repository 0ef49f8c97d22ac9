#include "ui/win32/CWinOptionDlg.h"

#include "platform/win32/WidePath.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/OptionDialog.h"

namespace win32ui {

using namespace resources;

CWinOptionDlg::CWinOptionDlg()
    : CWinDialog(kOptionDialog), COptionBehaviour(static_cast<IDialogView&>(*this)) {}

bool CWinOptionDlg::IsChecked(int nId) const {
  return IsDlgButtonChecked(m_hWnd, nId) == BST_CHECKED;
}

void CWinOptionDlg::SetChecked(int nId, bool bChecked) {
  CheckDlgButton(m_hWnd, nId, bChecked ? BST_CHECKED : BST_UNCHECKED);
}

int CWinOptionDlg::Selection(int nId) const {
  return static_cast<int>(SendMessageW(Item(nId), CB_GETCURSEL, 0, 0));
}

void CWinOptionDlg::SetSelection(int nId, int nIndex) {
  SendMessageW(Item(nId), CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
}

void CWinOptionDlg::SetItems(int nId, const std::vector<std::string>& items) {
  const HWND combo = Item(nId);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::Widen(item).c_str()));
}

void CWinOptionDlg::Enable(int nId, bool bEnable) {
  EnableWindow(Item(nId), bEnable);
}

void CWinOptionDlg::Focus(int nId) {
  SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(nId)), TRUE);
}

void CWinOptionDlg::OnInitDialog() {
  COptionBehaviour::OnInitDialog();
}

void CWinOptionDlg::OnCommand(int nId, int nCode, HWND) {
  if (nCode != BN_CLICKED) return;
  switch (nId) {
    case kIdOk:
      OnOK();
      EndDialog(m_hWnd, IDOK);
      return;
    case kIdCancel:  // also Esc and the close box
      OnCancel();
      EndDialog(m_hWnd, IDCANCEL);
      return;
    default:
      OnButton(nId);
  }
}

}  // namespace win32ui
