#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>

class QFileDialog;
class QWidget;

namespace platform::qt {

// File dialogs as the program asks for them: Qt's own dialog (translated with Qt's texts, the
// same on every desktop), opened at a folder or with a file's name filled in. Tests queue
// answers with SetNextAnswer; while one is queued it is returned instead of showing a dialog.
// An empty answer is a cancel.
class CFileDialog {
 public:
  enum class Mode { kOpenFiles, kSave };

  // The dialog the functions below show. `path` is a folder to open in, or a file: the
  // dialog opens in its folder with its name selected (Save) or filled in. `filter` lists
  // the filters, separated by ";;".
  static std::unique_ptr<QFileDialog> Create(QWidget* parent, Mode mode, const QString& path,
                                             const QString& filter);

  // Open dialog with multiple selection: the chosen paths in the order the dialog gives them.
  static QStringList GetOpenFileNames(QWidget* parent, const QString& folder,
                                      const QString& filter);
  // One file, which need not exist: the user may type a new name. The run asks before it
  // overwrites anything, so the dialog does not.
  static QString GetFileName(QWidget* parent, const QString& path, const QString& filter);

  static void SetNextAnswer(QStringList paths);
  static bool HasPendingAnswers();
  static void ClearAnswers();

 private:
  static std::deque<QStringList>& Answers();
};

}  // namespace platform::qt
