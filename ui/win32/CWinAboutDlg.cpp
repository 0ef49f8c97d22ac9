#include "ui/win32/CWinAboutDlg.h"

#include "ui/resources/AboutDialog.h"
#include "ui/win32/ProgramIcon.h"

namespace win32ui {

CWinAboutDlg::CWinAboutDlg() : CWinDialog(resources::kAboutDialog) {}

void CWinAboutDlg::OnInitDialog() {
  // The first control of the template is the icon.
  SendMessageW(GetWindow(m_hWnd, GW_CHILD), STM_SETICON,
               reinterpret_cast<WPARAM>(ProgramIcon(m_hWnd, false)), 0);
}

void CWinAboutDlg::OnCommand(int nId, int, HWND) {
  if (nId == IDOK || nId == IDCANCEL) EndDialog(m_hWnd, nId);
}

}  // namespace win32ui
