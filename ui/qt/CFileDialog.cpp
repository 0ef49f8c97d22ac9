#include "ui/qt/CFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace platform::qt {

std::deque<QStringList>& CFileDialog::Answers() {
  static std::deque<QStringList> answers;
  return answers;
}

void CFileDialog::SetNextAnswer(QStringList paths) {
  Answers().push_back(std::move(paths));
}

bool CFileDialog::HasPendingAnswers() {
  return !Answers().empty();
}

void CFileDialog::ClearAnswers() {
  Answers().clear();
}

std::unique_ptr<QFileDialog> CFileDialog::Create(QWidget* parent, Mode mode, const QString& path,
                                                 const QString& filter) {
  const QFileInfo info(path);
  // A Save path names a file that may not exist yet; an Open path is a folder unless it is
  // an existing file.
  const bool bFile = mode == Mode::kSave ? !path.isEmpty() && !info.isDir() : info.isFile();
  auto dlg =
      std::make_unique<QFileDialog>(parent, QString(), bFile ? info.absolutePath() : path, filter);
  // A desktop's own dialog would ignore Qt's translations and the test seams.
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  if (mode == Mode::kSave) {
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setFileMode(QFileDialog::AnyFile);
    dlg->setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    dlg->setFileMode(QFileDialog::ExistingFiles);
  }
  if (bFile) dlg->selectFile(info.fileName());
  return dlg;
}

QStringList CFileDialog::GetOpenFileNames(QWidget* parent, const QString& folder,
                                          const QString& filter) {
  if (!Answers().empty()) {
    QStringList answer = std::move(Answers().front());
    Answers().pop_front();
    return answer;
  }
  const auto dlg = Create(parent, Mode::kOpenFiles, folder, filter);
  return dlg->exec() == QDialog::Accepted ? dlg->selectedFiles() : QStringList();
}

QString CFileDialog::GetFileName(QWidget* parent, const QString& path, const QString& filter) {
  if (!Answers().empty()) {
    const QStringList answer = std::move(Answers().front());
    Answers().pop_front();
    return answer.value(0);
  }
  const auto dlg = Create(parent, Mode::kSave, path, filter);
  return dlg->exec() == QDialog::Accepted ? dlg->selectedFiles().value(0) : QString();
}

}  // namespace platform::qt
