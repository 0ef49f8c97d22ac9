#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/resources/DialogTemplate.h"

namespace win32ui {

// The system's Japanese UI font installed first: Yu Gothic UI, Meiryo UI, else MS UI Gothic.
std::wstring DialogFontFace();

// A dialog template table as an in-memory DLGTEMPLATEEX for DialogBoxIndirectParamW and
// CreateDialogIndirectParamW: the same ids, texts and places in dialog units, the dialog
// font, and a resizable frame for a dialog whose controls grow.
class CDialogTemplateEx {
 public:
  explicit CDialogTemplateEx(const resources::DialogTemplate& t);
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }
  // Whether the dialog can be made larger than its template.
  static bool Grows(const resources::DialogTemplate& t);

 private:
  void Word(WORD w) { m_words.push_back(w); }
  void Dword(DWORD d);
  void Text(const std::wstring& text);
  void Align();

  std::vector<WORD> m_words;
};

}  // namespace win32ui
