#include "ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/ProgramIcon.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/AboutDialog.h"
#include "ui/resources/ControlIds.h"

CAboutDlg::CAboutDlg() : QDialog(nullptr) {
  platform::qt::CDialogBuilder::Build(*this, resources::kAboutDialog);
  const QIcon icon = LoadProgramIcon();
  setWindowIcon(icon);
  if (auto* label = findChild<QLabel*>(QStringLiteral("static_0")))
    label->setPixmap(icon.pixmap(32, 32));
  connect(platform::qt::GetDlgItem<QPushButton>(*this, resources::kIdOk), &QPushButton::clicked,
          this, &QDialog::accept);
}
