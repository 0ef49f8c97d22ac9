#include "platform/qt/CFileDialog.h"

#include <QFileDialog>

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

QStringList CFileDialog::GetOpenFileNames(QWidget* parent, const QString& filter) {
  if (!Answers().empty()) {
    QStringList answer = std::move(Answers().front());
    Answers().pop_front();
    return answer;
  }
  return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
}

QString CFileDialog::GetFileName(QWidget* parent, const QString& filter) {
  if (!Answers().empty()) {
    const QStringList answer = std::move(Answers().front());
    Answers().pop_front();
    return answer.value(0);
  }
  // The run request asks before overwriting; the dialog only picks the name.
  return QFileDialog::getSaveFileName(parent, QString(), QString(), filter, nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

}  // namespace platform::qt
