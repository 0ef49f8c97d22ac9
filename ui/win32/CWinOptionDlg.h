#pragma once

#include "ui/behaviour/COptionBehaviour.h"
#include "ui/behaviour/IDialogView.h"
#include "ui/win32/CWinDialog.h"

namespace win32ui {

// The options dialog (template 129) on Win32.
class CWinOptionDlg : public CWinDialog,
                      public behaviour::IDialogView,
                      public behaviour::COptionBehaviour {
 public:
  CWinOptionDlg();

  std::string Text(int nId) const override { return ItemText(nId); }
  void SetText(int nId, const std::string& text) override { SetItemText(nId, text); }
  bool IsChecked(int nId) const override;
  void SetChecked(int nId, bool bChecked) override;
  int Selection(int nId) const override;
  void SetSelection(int nId, int nIndex) override;
  void SetItems(int nId, const std::vector<std::string>& items) override;
  void Enable(int nId, bool bEnable) override;
  void Focus(int nId) override;
  void Post(std::function<void()>) override {}
  void SetTimer(int, int) override {}

 protected:
  void OnInitDialog() override;
  void OnCommand(int nId, int nCode, HWND control) override;
};

}  // namespace win32ui
