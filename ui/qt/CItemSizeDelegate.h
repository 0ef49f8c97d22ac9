#pragma once

#include <QStyledItemDelegate>

namespace platform::qt {

// Gives list items a fixed height (a combo box's item height).
class CItemSizeDelegate : public QStyledItemDelegate {
 public:
  CItemSizeDelegate(int nHeight, QObject* parent);
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int m_nHeight;
};

}  // namespace platform::qt
