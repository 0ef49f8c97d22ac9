#pragma once

#include <QAbstractItemModel>
#include <QFont>
#include <QIcon>
#include <array>
#include <memory>

#include "ui/behaviour/COutlineWorker.h"

// The outline of one input as a tree of rows: the header, the sections with their nested
// sections, the trailer. Columns as the command line prints them: layer and index, offset,
// length, action, the first words. Each action has its own mark; cut sections are greyed
// and struck through.
class COutlineModel : public QAbstractItemModel {
 public:
  enum Column { kLayer, kOffset, kLength, kAction, kText, kColumnCount };

  // `font` is the view's: cut rows show it struck through.
  COutlineModel(QObject* parent, const QFont& font);

  // Shows `result` (none: nothing) and returns the one shown before.
  std::unique_ptr<OutlineResult> Reset(std::unique_ptr<OutlineResult> result);
  const OutlineResult* Result() const { return m_result.get(); }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::unique_ptr<OutlineResult> m_result;
  std::array<QIcon, 5> m_aActionIcons;  // index = engine::SectionAction
  QFont m_fontCut;
};
