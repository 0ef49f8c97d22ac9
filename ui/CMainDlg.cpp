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
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSettings>
#include <QThread>

#include "platform/MessageBox.h"
#include "ui/CAboutDlg.h"
#include "ui/ProgramIcon.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/MainDialog.h"
#include "ui/resources/Strings.h"

using platform::qt::GetDlgItem;

namespace {
constexpr int SC_CLOSE = 0xF060;
constexpr int kProgressInterval = 50;  // ms between two updates of the bar during a run

// The window size and the folders; options are never saved.
QSettings Settings() {
  return QSettings(QStringLiteral("velmorant"), QStringLiteral("velmorant"));
}
}  // namespace

CMainDlg::CMainDlg()
    : QDialog(nullptr), m_icon(LoadProgramIcon()), m_menuSystem(this), m_dlgPreview(this) {
  platform::qt::CDialogBuilder::Build(*this, resources::kMainDialog);
  m_comboSeparator = GetDlgItem<QComboBox>(*this, resources::kIdSeparator);
  m_checkSpecifySeparator = GetDlgItem<QCheckBox>(*this, resources::kIdSpecifySeparator);
  m_checkEuc = GetDlgItem<QCheckBox>(*this, resources::kIdEuc);
  m_listInput = GetDlgItem<QListWidget>(*this, resources::kIdInputList);
  m_progress = GetDlgItem<QProgressBar>(*this, resources::kIdProgress);
  m_editOutput = GetDlgItem<QLineEdit>(*this, resources::kIdOutput);
  for (const char* item : resources::kSeparatorItems)
    m_comboSeparator->addItem(QString::fromUtf8(item));
  // A text over the limit is refused whole: a cut one would match as a tag prefix.
  m_comboSeparator->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("^[\\s\\S]{0,%1}$").arg(resources::kSeparatorMaxLength)),
      m_comboSeparator));
  connect(
      m_comboSeparator->lineEdit(), &QLineEdit::inputRejected, this,
      [] { platform::AfxMessageBox(resources::kSeparatorTooLong); }, Qt::QueuedConnection);
  // The list is as wide as its longest path; an arrow click scrolls a few characters.
  m_listInput->horizontalScrollBar()->setSingleStep(4 * fontMetrics().averageCharWidth());
  m_listInput->viewport()->setAcceptDrops(true);
  m_listInput->viewport()->installEventFilter(this);
  m_listInput->installEventFilter(this);
  m_editOutput->installEventFilter(this);
  m_progress->setRange(0, 1000);
  m_timerProgress.setInterval(kProgressInterval);
  connect(&m_timerProgress, &QTimer::timeout, this, [this] { ShowProgress(); });

  // No button is the default: Enter presses the one that has the focus (keyPressEvent).
  for (QPushButton* b : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  auto button = [this](int id) { return GetDlgItem<QPushButton>(*this, id); };
  connect(button(resources::kIdOk), &QPushButton::clicked, this, &QDialog::accept);
  connect(button(resources::kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
  connect(button(resources::kIdAddInput), &QPushButton::clicked, this, [this] { OnAddInput(); });
  connect(button(resources::kIdBrowseOutput), &QPushButton::clicked, this,
          [this] { OnBrowseOutput(); });
  connect(button(resources::kIdStandard), &QPushButton::clicked, this, [this] { OnStandard(); });
  connect(button(resources::kIdRun), &QPushButton::clicked, this, [this] { OnRun(); });
  connect(button(resources::kIdDeleteInput), &QPushButton::clicked, this, [this] { OnDelete(); });
  connect(button(resources::kIdMoveUp), &QPushButton::clicked, this, [this] { OnMoveUp(); });
  connect(button(resources::kIdMoveDown), &QPushButton::clicked, this, [this] { OnMoveDown(); });
  connect(button(resources::kIdOptions), &QPushButton::clicked, this, [this] { OnOptions(); });
  connect(button(resources::kIdPreview), &QPushButton::clicked, this, [this] { OnPreview(); });
  connect(m_checkSpecifySeparator, &QCheckBox::clicked, this, [this] { OnSpecifySeparator(); });
  connect(m_comboSeparator->lineEdit(), &QLineEdit::textEdited, this,
          [this] { OnEditchangeSeparator(); });
  connect(m_comboSeparator, &QComboBox::activated, this, [this] { OnSelchangeSeparator(); });

  // The preview follows whatever a run would read: the input, the separator, the EUC box (and
  // the options, in OnOptions). A burst of changes makes one new outline.
  m_dlgPreview.m_jobOfDialog = [this] { return PreviewJob(); };
  const auto follow = [this] { m_dlgPreview.Schedule(); };
  connect(m_listInput, &QListWidget::itemSelectionChanged, this, follow);
  connect(m_listInput->model(), &QAbstractItemModel::rowsInserted, this, follow);
  connect(m_listInput->model(), &QAbstractItemModel::rowsRemoved, this, follow);
  connect(m_comboSeparator, &QComboBox::currentTextChanged, this, follow);
  connect(m_comboSeparator, &QComboBox::activated, this, follow);
  connect(m_checkEuc, &QCheckBox::toggled, this, follow);
}

CMainDlg::~CMainDlg() {
  if (!m_pRunThread) return;
  m_nAbort.store(1);
  // The run may be waiting for a message box, which this thread shows.
  while (!m_pRunThread->wait(QDeadlineTimer(10))) QCoreApplication::processEvents();
  delete m_pRunThread;
}

int CMainDlg::DoModal(const QStringList& files) {
  OnInitDialog();
  AddInputFiles(files);
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
  setWindowIcon(m_icon);

  m_comboSeparator->setCurrentIndex(0);
  m_editOutput->setText(
      DefaultOutputPath(QCoreApplication::applicationDirPath(), QDir::homePath()));
  m_editOutput->home(false);
  m_checkSpecifySeparator->setChecked(false);
  OnSpecifySeparator();
  IniArray();
  ResetList();
  m_bOptionsOpened = 0;
  m_nSeparatorKind = 0;
  m_bUserSeparator = 0;
  m_comboSeparator->setCurrentIndex(0);
  m_progress->setValue(0);
  LoadSettings();
}

QString CMainDlg::DefaultOutputPath(const QString& programDir, const QString& homeDir) {
  const QFileInfo dir(programDir);
  const QString folder = dir.isDir() && dir.isWritable() ? programDir : homeDir;
  return QDir(folder).filePath(QString::fromUtf8(resources::kDefaultOutputName));
}

void CMainDlg::LoadSettings() {
  const QSettings settings = Settings();
  resize(settings.value("window/size", size()).toSize().expandedTo(minimumSize()));
  m_strInputFolder = settings.value("folders/input").toString();
  m_strOutputFolder = settings.value("folders/output").toString();
}

void CMainDlg::SaveSettings() const {
  QSettings settings = Settings();
  settings.setValue("window/size", size());
  settings.setValue("folders/input", m_strInputFolder);
  settings.setValue("folders/output", m_strOutputFolder);
}

void CMainDlg::done(int r) {
  if (m_bAskingStop) return;
  if (m_pRunThread) {
    AskStop();
    return;
  }
  m_bClosedWhileDetecting = m_bDetecting;
  SaveSettings();
  m_dlgPreview.hide();
  QDialog::done(r);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // Enter presses the button that has the focus and nothing else: a default button would
  // close the dialog, and lose the list, from wherever the focus is.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button && button->isEnabled() && button->isVisible()) button->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
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
  // Until the first OK, runs keep the defaults they had before the dialog was opened.
  if (m_dlgOptions.DoModal() != QDialog::Accepted) return;
  m_bOptionsOpened = 1;
  m_dlgPreview.Schedule();
}

void CMainDlg::OnPreview() {
  m_dlgPreview.show();
  m_dlgPreview.raise();
  m_dlgPreview.activateWindow();
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
