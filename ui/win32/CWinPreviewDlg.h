#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/behaviour/CPreviewBehaviour.h"
#include "ui/behaviour/IDialogView.h"
#include "ui/win32/CTaskQueue.h"
#include "ui/win32/CWinDialog.h"

namespace win32ui {

// The preview window (template 130) on Win32: the outline as rows of a list view, indented
// by depth, with the columns, marks and greyed, struck-through cut rows of the Qt tree. Its
// texts are made as rows are shown, so a tree of a million sections opens at once.
class CWinPreviewDlg : public CWinDialog,
                       public behaviour::IDialogView,
                       public behaviour::CPreviewBehaviour {
 public:
  CWinPreviewDlg();
  ~CWinPreviewDlg() override;

  // Shows the window beside `owner` (made at the first call).
  void Open(HWND owner);

  std::string Text(int nId) const override { return ItemText(nId); }
  void SetText(int nId, const std::string& text) override;
  bool IsChecked(int) const override { return false; }
  void SetChecked(int, bool) override {}
  int Selection(int) const override { return -1; }
  void SetSelection(int, int) override {}
  void SetItems(int, const std::vector<std::string>&) override {}
  void Enable(int, bool) override {}
  void Focus(int) override {}
  void Post(std::function<void()> task) override { m_tasks.Post(std::move(task)); }
  void SetTimer(int nTimer, int nMilliseconds) override;

 protected:
  void OnInitDialog() override;
  void OnCommand(int nId, int nCode, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::unique_ptr<OutlineResult> ShowResult(std::unique_ptr<OutlineResult> result) override;
  const OutlineResult* ShownResult() const override { return m_result.get(); }

 private:
  // A row: the node it shows and its depth.
  using Row = std::pair<std::uint32_t, std::uint32_t>;
  void AddRows(std::uint32_t nNode, std::uint32_t nDepth);
  std::string Cell(const Row& row, int nColumn) const;
  LRESULT OnNotify(NMHDR* header);
  void FitColumns();
  void Hide();

  CTaskQueue m_tasks;
  std::unique_ptr<OutlineResult> m_result;
  std::vector<Row> m_rows;
  std::wstring m_strCell;  // the text last handed to the list view
  HIMAGELIST m_hMarks = nullptr;
  int m_nMarkSize = 16;  // the marks' size at the window's scale; a layer's indent
  HFONT m_hCutFont = nullptr;
  HHOOK m_hKeys = nullptr;  // the preview's keys out of the main dialog's modal loop
};

}  // namespace win32ui
