#pragma once

#include <QString>
#include <QStringList>
#include <deque>

class QWidget;

namespace platform::qt {

// File dialogs as the program asks for them. Tests queue answers with SetNextAnswer; while
// one is queued it is returned instead of showing a dialog. An empty answer is a cancel.
class CFileDialog {
 public:
  // Open dialog with multiple selection: the chosen paths in the order the dialog gives them.
  static QStringList GetOpenFileNames(QWidget* parent, const QString& filter);
  // One file, which need not exist: the user may type a new name.
  static QString GetFileName(QWidget* parent, const QString& filter);

  static void SetNextAnswer(QStringList paths);
  static bool HasPendingAnswers();
  static void ClearAnswers();

 private:
  static std::deque<QStringList>& Answers();
};

}  // namespace platform::qt
