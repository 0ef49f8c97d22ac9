#include "ui/CMainDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>

#include "platform/MessageBox.h"
#include "ui/CAboutDlg.h"
#include "ui/ProgramIcon.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CFileDialog.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/MainDialog.h"
#include "ui/resources/Strings.h"

using platform::qt::GetDlgItem;

namespace {

// The window size and the folders; options are never saved.
QSettings Settings() {
  return QSettings(QStringLiteral("velmorant"), QStringLiteral("velmorant"));
}

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

std::vector<std::string> Utf8List(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

QStringList LocalFiles(const QMimeData* mime) {
  QStringList paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}
}  // namespace

CMainDlg::CMainDlg()
    : QDialog(nullptr),
      CMainBehaviour(static_cast<IMainView&>(*this)),
      m_icon(LoadProgramIcon()),
      m_menuSystem(this),
      m_dlgPreview(this) {
  platform::qt::CDialogBuilder::Build(*this, resources::kMainDialog);
  m_comboSeparator = GetDlgItem<QComboBox>(*this, resources::kIdSeparator);
  m_checkEuc = GetDlgItem<QCheckBox>(*this, resources::kIdEuc);
  m_listInput = GetDlgItem<QListWidget>(*this, resources::kIdInputList);
  m_progress = GetDlgItem<QProgressBar>(*this, resources::kIdProgress);
  m_editOutput = GetDlgItem<QLineEdit>(*this, resources::kIdOutput);
  // The list is as wide as its longest path; an arrow click scrolls a few characters.
  m_listInput->horizontalScrollBar()->setSingleStep(4 * fontMetrics().averageCharWidth());
  m_listInput->viewport()->setAcceptDrops(true);
  m_listInput->viewport()->installEventFilter(this);
  m_listInput->installEventFilter(this);
  m_editOutput->installEventFilter(this);
  m_progress->setRange(0, kProgressMax);
  connect(&m_timerProgress, &QTimer::timeout, this, [this] { OnTimer(kProgressTimer); });

  // No button is the default: Enter presses the one that has the focus (keyPressEvent).
  for (QPushButton* b : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  using namespace resources;
  for (QAbstractButton* b : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
    const int id = b->objectName().toInt();
    connect(b, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
  }
  connect(GetDlgItem<QPushButton>(*this, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
  connect(GetDlgItem<QPushButton>(*this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
  connect(m_comboSeparator->lineEdit(), &QLineEdit::textEdited, this,
          [this] { OnEditchangeSeparator(); });
  connect(m_comboSeparator, &QComboBox::activated, this, [this] { OnSelchangeSeparator(); });
  connect(m_listInput, &QListWidget::itemSelectionChanged, this, [this] { OnSelchangeList(); });
  m_dlgPreview.m_jobOfDialog = [this] { return PreviewJob(); };
}

CMainDlg::~CMainDlg() {
  Stop();
}

int CMainDlg::DoModal(const QStringList& files) {
  OnInitDialog(files);
  return exec();
}

void CMainDlg::OnInitDialog(const QStringList& files) {
  m_menuSystem.clear();
  m_menuSystem.setSeparatorsCollapsible(false);
  m_menuSystem.addAction(QStringLiteral("閉じる(&C)"), this, [this] { reject(); });
  const QString about = QString::fromUtf8(resources::IDS_ABOUTBOX);
  if (!about.isEmpty()) {
    m_menuSystem.addSeparator();
    QAction* action = m_menuSystem.addAction(about, this, [this] { OnAbout(); });
    action->setObjectName(QString::number(resources::IDM_ABOUTBOX));
  }
  setWindowIcon(m_icon);
  CMainBehaviour::OnInitDialog(Utf8List(files));
  resize(Settings().value("window/size", size()).toSize().expandedTo(minimumSize()));
}

void CMainDlg::AddInputFiles(const QStringList& paths) {
  CMainBehaviour::AddInputFiles(Utf8List(paths));
}

QString CMainDlg::DefaultOutputPath(const QString& programDir, const QString& homeDir) {
  const QFileInfo dir(programDir);
  const QString folder = dir.isDir() && dir.isWritable() ? programDir : homeDir;
  return QDir(folder).filePath(QString::fromUtf8(resources::kDefaultOutputName));
}

std::string CMainDlg::DefaultOutputPath() const {
  return DefaultOutputPath(QCoreApplication::applicationDirPath(), QDir::homePath()).toStdString();
}

void CMainDlg::done(int r) {
  if (!OnClose()) return;
  Settings().setValue("window/size", size());
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

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool bList = watched == m_listInput->viewport();
  if ((bList || watched == m_editOutput) &&
      (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    // Files dropped on the list are added in their order; one dropped on the output field
    // replaces its text. Other drops go on as usual (text into the field).
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList files = LocalFiles(drop->mimeData());
    if (files.isEmpty()) return false;
    if (IsRunning()) {
      drop->ignore();
      return true;
    }
    drop->acceptProposedAction();
    if (type != QEvent::Drop) return true;
    if (bList)
      OnDropOnList(Utf8List(files));
    else
      OnDropOnOutput(files.first().toStdString());
    return true;
  }
  if (watched == m_listInput && type == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    OnDelete();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::string CMainDlg::Text(int nId) const {
  if (nId == resources::kIdSeparator) return m_comboSeparator->currentText().toStdString();
  return m_editOutput->text().toStdString();
}

void CMainDlg::SetText(int nId, const std::string& text) {
  if (nId == resources::kIdSeparator) {
    m_comboSeparator->setEditText(Q(text));
    return;
  }
  m_editOutput->setText(Q(text));
  m_editOutput->home(false);
}

bool CMainDlg::IsChecked(int nId) const {
  return GetDlgItem<QAbstractButton>(*this, nId)->isChecked();
}

void CMainDlg::SetChecked(int nId, bool bChecked) {
  GetDlgItem<QAbstractButton>(*this, nId)->setChecked(bChecked);
}

int CMainDlg::Selection(int nId) const {
  if (nId == resources::kIdSeparator) return m_comboSeparator->currentIndex();
  const QModelIndexList rows = m_listInput->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CMainDlg::SetSelection(int nId, int nIndex) {
  if (nId == resources::kIdSeparator)
    m_comboSeparator->setCurrentIndex(nIndex);
  else
    m_listInput->setCurrentRow(nIndex);
}

void CMainDlg::SetItems(int nId, const std::vector<std::string>& items) {
  if (nId == resources::kIdSeparator) {
    m_comboSeparator->clear();
    for (const std::string& item : items) m_comboSeparator->addItem(Q(item));
    return;
  }
  const QSignalBlocker quiet(m_listInput);  // the behaviour selects a row next
  m_listInput->clear();
  for (const std::string& item : items) m_listInput->addItem(Q(item));
}

void CMainDlg::Enable(int nId, bool bEnable) {
  GetDlgItem<QWidget>(*this, nId)->setEnabled(bEnable);
}

void CMainDlg::Focus(int nId) {
  GetDlgItem<QWidget>(*this, nId)->setFocus();
}

void CMainDlg::SetProgress(int, int nValue) {
  m_progress->setValue(nValue);
}

std::vector<std::string> CMainDlg::ChooseInputs(const std::string& folder) {
  return Utf8List(platform::qt::CFileDialog::GetOpenFileNames(
      this, Q(folder), QString::fromUtf8(resources::kFileFilter)));
}

std::string CMainDlg::ChooseOutput(const std::string& path) {
  return platform::qt::CFileDialog::GetFileName(this, Q(path),
                                                QString::fromUtf8(resources::kFileFilter))
      .toStdString();
}

std::string CMainDlg::Setting(const std::string& key) const {
  return Settings().value(Q(key)).toString().toStdString();
}

void CMainDlg::SetSetting(const std::string& key, const std::string& value) {
  Settings().setValue(Q(key), Q(value));
}

void CMainDlg::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void CMainDlg::SetTimer(int, int nMilliseconds) {
  if (nMilliseconds == 0) {
    m_timerProgress.stop();
    return;
  }
  m_timerProgress.start(nMilliseconds);
}

void CMainDlg::WaitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool CMainDlg::ShowOptions() {
  return m_dlgOptions.DoModal() == QDialog::Accepted;
}

void CMainDlg::ShowPreview() {
  m_dlgPreview.show();
  m_dlgPreview.raise();
  m_dlgPreview.activateWindow();
}

void CMainDlg::PreviewChanged() {
  m_dlgPreview.Schedule();
}

void CMainDlg::ShowAbout() {
  CAboutDlg dlgAbout;
  dlgAbout.DoModal();
}
