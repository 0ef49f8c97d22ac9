#pragma once

#include <string>
#include <vector>

#include "ui/behaviour/CMainBehaviour.h"
#include "ui/behaviour/IMainView.h"
#include "ui/win32/CTaskQueue.h"
#include "ui/win32/CWinDialog.h"
#include "ui/win32/CWinOptionDlg.h"
#include "ui/win32/CWinPreviewDlg.h"

namespace win32ui {

// The main dialog (template 102) on Win32: passes its controls' notifications, drops and
// timers to the behaviour and shows what it asks for.
class CWinMainDlg : public CWinDialog,
                    public behaviour::IMainView,
                    public behaviour::CMainBehaviour {
 public:
  CWinMainDlg();
  ~CWinMainDlg() override;

  // Shows the dialog with `files` in the input list until it closes.
  INT_PTR DoModal(const std::vector<std::string>& files);
  // The dialog's window while it is open: boxes of other threads are shown over it.
  const HWND& Window() const { return m_hWnd; }

  std::string Text(int nId) const override;
  void SetText(int nId, const std::string& text) override;
  bool IsChecked(int nId) const override;
  void SetChecked(int nId, bool bChecked) override;
  int Selection(int nId) const override;
  void SetSelection(int nId, int nIndex) override;
  void SetItems(int nId, const std::vector<std::string>& items) override;
  void Enable(int nId, bool bEnable) override;
  void Focus(int nId) override;
  void Post(std::function<void()> task) override { m_tasks.Post(std::move(task)); }
  void SetTimer(int nTimer, int nMilliseconds) override;
  void SetProgress(int nId, int nValue) override;
  std::vector<std::string> ChooseInputs(const std::string& folder) override;
  std::string ChooseOutput(const std::string& path) override;
  std::string Setting(const std::string& key) const override;
  void SetSetting(const std::string& key, const std::string& value) override;
  void WaitUntil(const std::function<bool()>& done) override;
  const engine::COptionValues& OptionValues() const override { return m_dlgOptions; }
  bool ShowOptions() override;
  void ShowPreview() override;
  void PreviewChanged() override { m_dlgPreview.Schedule(); }
  void ShowAbout() override;
  std::string DefaultOutputPath() const override;

 protected:
  void OnInitDialog() override;
  void OnCommand(int nId, int nCode, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnDropFiles(HDROP drop);
  void Close();
  void RestoreSize();
  void SaveSize();

  CTaskQueue m_tasks;
  CWinOptionDlg m_dlgOptions;
  CWinPreviewDlg m_dlgPreview;
  std::vector<std::string> m_astrStartFiles;
  bool m_bSeparatorEdited = false;  // the separator field holds typed text, not an item
};

}  // namespace win32ui
