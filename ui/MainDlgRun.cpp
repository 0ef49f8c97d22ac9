// The run button: reads the dialog's controls into the run request's inputs and hands them
// to the same request the command line uses.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include "platform/Encoding.h"
#include "ui/CMainDlg.h"

namespace {

std::string LocalBytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

void CMainDlg::OnRun() {
  engine::RunInputs inputs;
  for (const QString& path : m_astrInputPaths) inputs.astrInputPaths.push_back(LocalBytes(path));
  inputs.strOutputPath = LocalBytes(m_editOutput->text());
  // The separator is searched as Shift_JIS bytes; text without that form is refused by the
  // request at its separator check.
  const auto sjis = platform::Utf8ToCp932(m_comboSeparator->currentText().toStdString());
  inputs.strSeparatorText = sjis.value_or(std::string());
  inputs.bSeparatorNotCp932 = sjis ? 0 : 1;
  inputs.bEuc = m_checkEuc->isChecked() ? 1 : 0;
  engine::CRunRequest::OnRun(inputs, m_dlgOptions, m_executor);
}
