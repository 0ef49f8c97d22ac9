#pragma once

#include <QComboBox>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace gui_testing {

// Runs `actions` once `dlg` is the active modal window, then closes it if the actions left
// it open (so a failed check inside cannot hang the test), and runs `show` for the modal loop.
void WhileModal(std::function<void()> actions, const std::function<void()>& show);

// Picks item `index` of a combo box the way a user does: opens its list and clicks the item.
void PickItem(QComboBox* combo, int index);

// Types `text` into a combo box's field at its end.
void TypeInto(QComboBox* combo, const QString& text);

// The texts of a list box, top to bottom, and its selected row (-1 for none).
QStringList ListTexts(const QListWidget* list);
int SelectedRow(const QListWidget* list);

QStringList ToQStrings(const std::vector<std::string>& v);

}  // namespace gui_testing
