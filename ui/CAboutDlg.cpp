#include "ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "platform/qt/CDialogBuilder.h"
#include "resources/AboutDialog.h"
#include "ui/ProgramIcon.h"

CAboutDlg::CAboutDlg() : QDialog(nullptr) {
  platform::qt::CDialogBuilder::Build(*this, resources::kAboutDialog);
  const QIcon icon = LoadProgramIcon();
  setWindowIcon(icon);
  if (auto* label = findChild<QLabel*>(QStringLiteral("static_0")))
    label->setPixmap(icon.pixmap(32, 32));
  connect(platform::qt::GetDlgItem<QPushButton>(*this, 1), &QPushButton::clicked, this,
          &QDialog::accept);
}
