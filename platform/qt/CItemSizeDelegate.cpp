#include "platform/qt/CItemSizeDelegate.h"

#include <algorithm>

namespace platform::qt {

CItemSizeDelegate::CItemSizeDelegate(int nMinWidth, int nHeight, QObject* parent)
    : QStyledItemDelegate(parent), m_nMinWidth(nMinWidth), m_nHeight(nHeight) {}

QSize CItemSizeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setWidth(std::max(size.width(), m_nMinWidth));
  if (m_nHeight > 0) size.setHeight(m_nHeight);
  return size;
}

}  // namespace platform::qt
