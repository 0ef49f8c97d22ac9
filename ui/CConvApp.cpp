#include "ui/CConvApp.h"

#include <QApplication>

#include "ui/CMainDlg.h"
#include "ui/ProgramIcon.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CQtMessageBox.h"
#include "ui/qt/Translations.h"
#include "ui/resources/Strings.h"

int CConvApp::InitInstance() {
  platform::qt::InstallQtTranslations(*qApp);
  // Qt's own windows (message boxes, menus, file dialogs) in the dialogs' proportional font.
  QApplication::setFont(platform::qt::CDialogBuilder::DialogFont());
  QApplication::setWindowIcon(LoadProgramIcon());
  const platform::qt::CQtMessageBox messageBox(QString::fromUtf8(resources::kAppTitle));
  const auto sink = messageBox.Install();
  CMainDlg dlg;
  dlg.DoModal(m_astrFiles);
  return 0;
}
