#include "tests/ui/GuiHelpers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

namespace gui_testing {

void WhileModal(std::function<void()> actions, const std::function<void()>& show) {
  QTimer::singleShot(0, [actions = std::move(actions)] {
    QWidget* modal = QApplication::activeModalWidget();
    actions();
    if (modal && modal->isVisible()) {
      if (auto* dlg = qobject_cast<QDialog*>(modal)) dlg->reject();
    }
  });
  show();
}

void PickItem(QComboBox* combo, int index) {
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  const QModelIndex item =
      view->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
  view->scrollTo(item);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
  QApplication::processEvents();
}

void TypeInto(QComboBox* combo, const QString& text) {
  combo->lineEdit()->setFocus();
  combo->lineEdit()->end(false);
  for (const QChar c : text) {
    // QTest maps only ASCII to keys; other characters arrive as text, as from an input method.
    if (c.unicode() < 0x80) {
      QTest::keyClick(combo->lineEdit(), c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, combo->lineEdit(), Qt::Key_unknown, QString(c),
                          Qt::NoModifier);
    }
  }
}

QStringList ListTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

int SelectedRow(const QListWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QStringList ToQStrings(const std::vector<std::string>& v) {
  QStringList out;
  for (const auto& s : v) out << QString::fromStdString(s);
  return out;
}

}  // namespace gui_testing
