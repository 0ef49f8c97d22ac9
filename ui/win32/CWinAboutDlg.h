#pragma once

#include "ui/win32/CWinDialog.h"

namespace win32ui {

// The about box (template 100): the program icon, the version and the rights notice.
class CWinAboutDlg : public CWinDialog {
 public:
  CWinAboutDlg();

 protected:
  void OnInitDialog() override;
  void OnCommand(int nId, int nCode, HWND control) override;
};

}  // namespace win32ui
