#include "ui/CMainDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CItemSizeDelegate.h"
#include "resources/MainDialog.h"
#include "resources/Strings.h"
#include "ui/CAboutDlg.h"
#include "ui/ProgramIcon.h"

using platform::qt::GetDlgItem;

namespace {
constexpr int kListExtent = 2000;
constexpr int SC_CLOSE = 0xF060;
}  // namespace

CMainDlg::CMainDlg() : QDialog(nullptr), m_hIcon(LoadProgramIcon()), m_menuSystem(this) {
  platform::qt::CDialogBuilder::Build(*this, resources::kMainDialog);
  m_comboSeparator = GetDlgItem<QComboBox>(*this, 1028);
  m_checkSpecifySeparator = GetDlgItem<QCheckBox>(*this, 1016);
  m_checkEuc = GetDlgItem<QCheckBox>(*this, 1015);
  m_listInput = GetDlgItem<QListWidget>(*this, 1014);
  m_progress = GetDlgItem<QProgressBar>(*this, 1005);
  m_editOutput = GetDlgItem<QLineEdit>(*this, 1001);
  for (const char* item : resources::kSeparatorItems)
    m_comboSeparator->addItem(QString::fromUtf8(item));

  auto button = [this](int id) { return GetDlgItem<QPushButton>(*this, id); };
  connect(button(1), &QPushButton::clicked, this, &QDialog::accept);
  connect(button(2), &QPushButton::clicked, this, &QDialog::reject);
  connect(button(1002), &QPushButton::clicked, this, [this] { OnAddInput(); });
  connect(button(1003), &QPushButton::clicked, this, [this] { OnBrowseOutput(); });
  connect(button(1007), &QPushButton::clicked, this, [this] { OnStandard(); });
  connect(button(1004), &QPushButton::clicked, this, [this] { OnRun(); });
  connect(button(1009), &QPushButton::clicked, this, [this] { OnDelete(); });
  connect(button(1010), &QPushButton::clicked, this, [this] { OnMoveUp(); });
  connect(button(1011), &QPushButton::clicked, this, [this] { OnMoveDown(); });
  connect(button(1021), &QPushButton::clicked, this, [this] { OnOptions(); });
  connect(m_listInput, &QListWidget::itemDoubleClicked, this, [this] { OnDblclkInputList(); });
  connect(m_checkSpecifySeparator, &QCheckBox::clicked, this, [this] { OnSpecifySeparator(); });
  connect(m_comboSeparator->lineEdit(), &QLineEdit::textEdited, this,
          [this] { OnEditchangeSeparator(); });
  connect(m_comboSeparator, &QComboBox::activated, this, [this] { OnSelchangeSeparator(); });
}

int CMainDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void CMainDlg::OnInitDialog() {
  m_menuSystem.clear();
  m_menuSystem.setSeparatorsCollapsible(false);
  m_menuSystem.addAction(QStringLiteral("閉じる(&C)"), this, [this] { OnSysCommand(SC_CLOSE); });
  const QString about = QString::fromUtf8(resources::IDS_ABOUTBOX);
  if (!about.isEmpty()) {
    m_menuSystem.addSeparator();
    QAction* action =
        m_menuSystem.addAction(about, this, [this] { OnSysCommand(resources::IDM_ABOUTBOX); });
    action->setObjectName(QString::number(resources::IDM_ABOUTBOX));
  }
  setWindowIcon(m_hIcon);

  m_comboSeparator->setCurrentIndex(0);
  m_editOutput->setText(
      DefaultOutputPath(QCoreApplication::applicationDirPath(), QDir::homePath()));
  m_editOutput->home(false);
  m_checkSpecifySeparator->setChecked(false);
  OnSpecifySeparator();
  IniArray();
  ResetList();
  m_listInput->setItemDelegate(new platform::qt::CItemSizeDelegate(kListExtent, 0, m_listInput));
  m_bOptionsOpened = 0;
  m_nSeparatorKind = 0;
  m_bUserSeparator = 0;
  m_comboSeparator->setCurrentIndex(0);
}

QString CMainDlg::DefaultOutputPath(const QString& programDir, const QString& homeDir) {
  const QFileInfo dir(programDir);
  const QString folder = dir.isDir() && dir.isWritable() ? programDir : homeDir;
  return QDir(folder).filePath(QString::fromUtf8(resources::kDefaultOutputName));
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
  m_menuSystem.exec(event->globalPos());
}

void CMainDlg::OnSysCommand(int nID) {
  if ((nID & 0xFFF0) == resources::IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else if (nID == SC_CLOSE) {
    reject();
  }
}

void CMainDlg::OnOptions() {
  m_dlgOptions.DoModal();
  m_bOptionsOpened = 1;
}

void CMainDlg::OnSelchangeSeparator() {
  const int index = m_comboSeparator->currentIndex();
  if (index < 0) {
    m_bUserSeparator = 1;
    return;
  }
  m_nSeparatorKind = index;
  if (index == 3) m_bUserSeparator = 1;
}

void CMainDlg::OnEditchangeSeparator() {
  m_bUserSeparator = m_comboSeparator->currentIndex() == -1 ? 1 : 0;
}

void CMainDlg::OnStandard() {
  m_comboSeparator->setEditText(QString());
  m_comboSeparator->setCurrentIndex(0);
}

void CMainDlg::OnSpecifySeparator() {
  if (m_checkSpecifySeparator->isChecked()) {
    m_comboSeparator->setEditText(QString());
  } else {
    m_comboSeparator->setCurrentIndex(0);
  }
}
