#include "ui/preview/COutlineModel.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "ui/resources/PreviewDialog.h"

namespace {

using engine::SectionAction;

// A mark for each action, told apart by shape as well as colour: an arrow down for in
// order, up for reversed, a cross for cut, a dot for kept in place, a bar for whole.
QIcon ActionIcon(SectionAction action) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor colours[] = {QColor(0x2E, 0x7D, 0x32), QColor(0x15, 0x65, 0xC0),
                            QColor(0xC6, 0x28, 0x28), QColor(0xB2, 0x6A, 0x00),
                            QColor(0x75, 0x75, 0x75)};
  const QColor colour = colours[static_cast<int>(action)];
  p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(colour);
  switch (action) {
    case SectionAction::kInOrder:
    case SectionAction::kReversed: {
      const bool bUp = action == SectionAction::kReversed;
      const int tip = bUp ? 5 : 27;
      p.drawLine(16, bUp ? 27 : 5, 16, tip);
      QPainterPath head;
      head.moveTo(16, tip);
      head.lineTo(7, 16);
      head.lineTo(25, 16);
      head.closeSubpath();
      p.drawPath(head);
      break;
    }
    case SectionAction::kCut:
      p.drawLine(8, 8, 24, 24);
      p.drawLine(24, 8, 8, 24);
      break;
    case SectionAction::kKept:
      p.drawEllipse(QPoint(16, 16), 8, 8);
      break;
    case SectionAction::kWhole:
      p.drawRect(6, 13, 20, 6);
      break;
  }
  return QIcon(pixmap);
}

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

}  // namespace

COutlineModel::COutlineModel(QObject* parent, const QFont& font)
    : QAbstractItemModel(parent), m_fontCut(font) {
  m_fontCut.setStrikeOut(true);
  for (int i = 0; i < static_cast<int>(m_aActionIcons.size()); ++i)
    m_aActionIcons[i] = ActionIcon(static_cast<SectionAction>(i));
}

std::unique_ptr<OutlineResult> COutlineModel::Reset(std::unique_ptr<OutlineResult> result) {
  beginResetModel();
  std::swap(m_result, result);
  endResetModel();
  return result;
}

QModelIndex COutlineModel::index(int row, int column, const QModelIndex& parent) const {
  if (!m_result || row < 0 || column < 0 || column >= kColumnCount) return {};
  if (!parent.isValid()) {
    if (static_cast<std::uint32_t>(row) >= m_result->nTopLevel) return {};
    return createIndex(row, column, static_cast<quintptr>(row));
  }
  const OutlineResult::Node& p = m_result->nodes[parent.internalId()];
  if (!p.pSection || static_cast<std::size_t>(row) >= p.pSection->children.size()) return {};
  return createIndex(row, column, static_cast<quintptr>(p.nFirstChild + row));
}

QModelIndex COutlineModel::parent(const QModelIndex& child) const {
  if (!m_result || !child.isValid()) return {};
  const std::uint32_t p = m_result->nodes[child.internalId()].nParent;
  if (p == OutlineResult::kTop) return {};
  const std::uint32_t grand = m_result->nodes[p].nParent;
  const std::uint32_t row =
      grand == OutlineResult::kTop ? p : p - m_result->nodes[grand].nFirstChild;
  return createIndex(static_cast<int>(row), 0, static_cast<quintptr>(p));
}

int COutlineModel::rowCount(const QModelIndex& parent) const {
  if (!m_result) return 0;
  if (!parent.isValid()) return static_cast<int>(m_result->nTopLevel);
  if (parent.column() != 0) return 0;
  const engine::OutlineSection* s = m_result->nodes[parent.internalId()].pSection;
  return s ? static_cast<int>(s->children.size()) : 0;
}

int COutlineModel::columnCount(const QModelIndex&) const {
  return kColumnCount;
}

QVariant COutlineModel::data(const QModelIndex& index, int role) const {
  if (!m_result || !index.isValid()) return {};
  const OutlineResult::Node& node = m_result->nodes[index.internalId()];
  const engine::OutlineSection* s = node.pSection;
  const engine::FileOutline& f = m_result->outline;
  const int column = index.column();
  if (role == Qt::TextAlignmentRole && (column == kOffset || column == kLength))
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (!s) {  // the header or trailer row
    if (role != Qt::DisplayRole) return {};
    const bool bHeader = index.row() == 0 && m_result->HasHeaderRow();
    const std::size_t offset = bHeader ? f.nHeaderOffset : f.nTrailerOffset;
    const std::size_t length = bHeader ? f.nHeaderLength : f.nTrailerLength;
    const bool bFooter = !bHeader && !f.bTrailer;
    switch (column) {
      case kLayer:
        return Utf8(bHeader ? resources::kHeaderRow : resources::kTrailerRow);
      case kOffset:
        return bFooter ? QVariant() : QVariant(QString::number(offset));
      case kLength:
        return bFooter ? QVariant() : QVariant(QString::number(length));
      case kText:
        return bFooter ? QVariant(Utf8(resources::kFixedFooter)) : QVariant();
      default:
        return {};
    }
  }
  const bool bCut = s->action == SectionAction::kCut;
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case kLayer:
          return QStringLiteral("L%1 #%2").arg(s->nLayer).arg(s->nIndex);
        case kOffset:
          return QString::number(s->nOffset);
        case kLength:
          return QString::number(s->nLength);
        case kAction:
          return Utf8(resources::kActionLabels[static_cast<int>(s->action)]);
        case kText:
          return QString::fromStdString(engine::SectionText(f, *s));
      }
      return {};
    case Qt::DecorationRole:
      return column == kAction ? QVariant(m_aActionIcons[static_cast<int>(s->action)]) : QVariant();
    case Qt::ForegroundRole:
      return bCut ? QVariant(QColor(Qt::gray)) : QVariant();
    case Qt::FontRole:
      return bCut ? QVariant(m_fontCut) : QVariant();
    default:
      return {};
  }
}

QVariant COutlineModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount)
    return {};
  return Utf8(resources::kOutlineColumns[section]);
}
