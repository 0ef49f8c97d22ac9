#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/resources/DialogTemplate.h"
#include "ui/win32/DialogTemplateEx.h"

namespace win32ui {

// A dialog made from a template table: creates it modal or modeless, hands its messages to
// the derived class, and moves the controls that follow a larger window (kMoveX, kGrowY...)
// whenever its size or its DPI changes.
class CWinDialog {
 public:
  explicit CWinDialog(const resources::DialogTemplate& t);
  virtual ~CWinDialog();
  CWinDialog(const CWinDialog&) = delete;
  CWinDialog& operator=(const CWinDialog&) = delete;

  INT_PTR DoModal(HWND owner);
  HWND Create(HWND owner);  // modeless
  HWND Handle() const { return m_hWnd; }

  HWND Item(int nId) const { return GetDlgItem(m_hWnd, nId); }
  std::string ItemText(int nId) const;
  void SetItemText(int nId, const std::string& text);
  // The window's size in pixels at the template's proportions, for a first showing.
  SIZE TemplateSize() const;

 protected:
  virtual void OnInitDialog() {}
  virtual void OnCommand(int /*nId*/, int /*nCode*/, HWND /*control*/) {}
  // Messages the base does not handle; TRUE when handled (and the result set).
  virtual INT_PTR OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }
  void Layout();

  HWND m_hWnd = nullptr;
  const resources::DialogTemplate& m_template;

 private:
  static INT_PTR CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  RECT Mapped(int x, int y, int cx, int cy) const;

  CDialogTemplateEx m_data;
  std::vector<HWND> m_controls;  // in template order, statics without an id included
};

}  // namespace win32ui
