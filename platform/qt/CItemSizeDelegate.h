#pragma once

#include <QStyledItemDelegate>

namespace platform::qt {

// Gives list items a minimum width (a list box's horizontal extent) and, when nonzero,
// a fixed height (a combo box's item height).
class CItemSizeDelegate : public QStyledItemDelegate {
 public:
  CItemSizeDelegate(int nMinWidth, int nHeight, QObject* parent);
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int m_nMinWidth;
  int m_nHeight;
};

}  // namespace platform::qt
