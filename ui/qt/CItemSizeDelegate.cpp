#include "ui/qt/CItemSizeDelegate.h"

namespace platform::qt {

CItemSizeDelegate::CItemSizeDelegate(int nHeight, QObject* parent)
    : QStyledItemDelegate(parent), m_nHeight(nHeight) {}

QSize CItemSizeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(m_nHeight);
  return size;
}

}  // namespace platform::qt
