#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include "ui/resources/DialogTemplate.h"

class QDialog;
class QFontMetrics;

namespace platform::qt {

using namespace resources;

// Creates the controls of a dialog template as child widgets of a dialog, in tab order.
// Each control's object name is its id in decimal; statics without an id are "static_<n>",
// n being their position in the template. A label's mnemonic ("出力ファイル(&F)") gives the
// focus to the next control that takes it.
class CDialogBuilder {
 public:
  // Sets the dialog's font, caption and size, then creates every control. A dialog with
  // controls that grow (kGrowX, kGrowY) can be enlarged from its template size; the others
  // keep that size.
  static void Build(QDialog& dlg, const DialogTemplate& t);

  // 9 pt of the first Japanese gothic installed: IPAPGothic, then Noto Sans CJK JP, else
  // the application's font at 9 pt.
  static QFont DialogFont();

  // Dialog units to pixels with the font's base units: x * average width / 4 and
  // y * height / 8, rounded.
  static QRect MapDialogRect(const QFontMetrics& fm, int x, int y, int cx, int cy);

  static QString ObjectName(int nId, int nIndex);
};

// The control of a built dialog with the given id, or nullptr.
template <class T>
T* GetDlgItem(const QWidget& dlg, int nId) {
  return dlg.findChild<T*>(QString::number(nId), Qt::FindDirectChildrenOnly);
}

}  // namespace platform::qt
