// The input list of the main dialog: the path array, the list box that shows it, and the
// handlers that add, remove, move and choose files.
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>
#include <new>

#include "platform/MessageBox.h"
#include "ui/CMainDlg.h"
#include "ui/qt/CFileDialog.h"
#include "ui/resources/Strings.h"

namespace {
constexpr char kPlaceholder[] = "入力ファイル名";
constexpr char kArrayGrowFailed[] = "配列の拡張に失敗";

QStringList LocalFiles(const QMimeData* mime) {
  QStringList paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

// A dropped folder stands for the logs directly inside it, in name order; one that holds
// none is named in a message, after the drop is over.
QStringList LogsOfDrop(const QStringList& paths, QObject* context) {
  QStringList files;
  for (const QString& path : paths) {
    if (!QFileInfo(path).isDir()) {
      files << path;
      continue;
    }
    const QFileInfoList logs =
        QDir(path).entryInfoList({QStringLiteral("*.html"), QStringLiteral("*.htm")},
                                 QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& log : logs) files << log.absoluteFilePath();
    if (logs.isEmpty()) {
      const QString text = QString::fromUtf8(resources::kNoLogsInFolder).arg(path);
      QTimer::singleShot(0, context, [text] { platform::AfxMessageBox(text.toStdString()); });
    }
  }
  return files;
}
}  // namespace

int CMainDlg::CurSel() const {
  const QModelIndexList rows = m_listInput->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CMainDlg::IniArray() {
  m_nFileCount = 0;
  RemoveAllFromArray();
}

int CMainDlg::AddToArray(const QString& path) {
  try {
    m_astrInputPaths.append(path);
  } catch (const std::bad_alloc&) {
    platform::AfxMessageBox(kArrayGrowFailed);
    return -1;
  }
  m_nFileCount = static_cast<int>(m_astrInputPaths.size());
  return 0;
}

void CMainDlg::RemoveFromArray(int index) {
  if (index < 0 || index >= m_astrInputPaths.size()) return;
  m_astrInputPaths.removeAt(index);
  m_nFileCount = static_cast<int>(m_astrInputPaths.size());
  m_bListHasFiles = m_nFileCount != 0 ? 1 : 0;
}

void CMainDlg::RemoveAllFromArray() {
  for (int i = static_cast<int>(m_astrInputPaths.size()) - 1; i >= 0; --i) RemoveFromArray(i);
}

void CMainDlg::AddToListBox(const QString& path) {
  if (m_bListHasFiles == 0) {
    delete m_listInput->takeItem(0);
    m_listInput->addItem(path);
    m_bListHasFiles = 1;
    m_listInput->setCurrentRow(0);
    return;
  }
  m_listInput->addItem(path);
  m_listInput->setCurrentRow(m_listInput->count() - 1);
}

void CMainDlg::ResetList() {
  m_listInput->clear();
  m_listInput->addItem(QString::fromUtf8(kPlaceholder));
  m_bListHasFiles = 0;
}

void CMainDlg::DeleteListItem(int DeleteIndex) {
  const int n = m_listInput->count();
  if (n == 0 || DeleteIndex > n - 1 || DeleteIndex < 0) return;
  if (n == 1) {
    if (DeleteIndex == 0) ResetList();
    return;
  }
  if (DeleteIndex == n - 1) {
    delete m_listInput->takeItem(DeleteIndex);
    m_listInput->setCurrentRow(DeleteIndex - 1);
    return;
  }
  while (m_listInput->count() > DeleteIndex) delete m_listInput->takeItem(DeleteIndex);
  for (int i = DeleteIndex; i < m_astrInputPaths.size(); ++i)
    m_listInput->addItem(m_astrInputPaths[i]);
  m_listInput->setCurrentRow(DeleteIndex);
}

void CMainDlg::RebuildList() {
  m_listInput->clear();
  for (int i = 0; i < m_astrInputPaths.size(); ++i) m_listInput->insertItem(i, m_astrInputPaths[i]);
}

void CMainDlg::AddInputFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.isDir()) continue;
    // A path the array could not take is not shown: the list never outnumbers the array.
    if (AddToArray(info.absoluteFilePath()) == 0) AddToListBox(info.absoluteFilePath());
    m_strInputFolder = info.absolutePath();
  }
}

void CMainDlg::OnAddInput() {
  // The folder of the last input listed, else the one files came from last time.
  const QString folder = !m_astrInputPaths.isEmpty()   ? QFileInfo(m_astrInputPaths.last()).path()
                         : !m_strInputFolder.isEmpty() ? m_strInputFolder
                                                       : QFileInfo(m_editOutput->text()).path();
  AddInputFiles(platform::qt::CFileDialog::GetOpenFileNames(
      this, folder, QString::fromUtf8(resources::kFileFilter)));
}

void CMainDlg::OnBrowseOutput() {
  QString path = m_editOutput->text();
  // The default output is no choice of the user's: the folder chosen last time comes first.
  const QString defaultPath =
      DefaultOutputPath(QCoreApplication::applicationDirPath(), QDir::homePath());
  if ((path.isEmpty() || path == defaultPath) && !m_strOutputFolder.isEmpty())
    path = QDir(m_strOutputFolder).filePath(QFileInfo(path).fileName());
  path =
      platform::qt::CFileDialog::GetFileName(this, path, QString::fromUtf8(resources::kFileFilter));
  if (path.isEmpty()) return;
  m_editOutput->setText(path);
  m_editOutput->home(false);
  m_strOutputFolder = QFileInfo(path).path();
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
    if (bList) {
      AddInputFiles(LogsOfDrop(files, this));
    } else {
      m_editOutput->setText(files.first());
      m_editOutput->home(false);
      m_strOutputFolder = QFileInfo(files.first()).path();
    }
    return true;
  }
  if (watched == m_listInput && type == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    OnDelete();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CMainDlg::OnDelete() {
  if (m_nFileCount == 0) return;
  m_listInput->setFocus();
  const int index = CurSel();
  if (index < 0) return;
  RemoveFromArray(index);
  DeleteListItem(index);
}

void CMainDlg::OnMoveUp() {
  m_listInput->setFocus();
  const int s = CurSel();
  if (s <= 0 || s >= m_astrInputPaths.size()) return;
  m_astrInputPaths.swapItemsAt(s - 1, s);
  RebuildList();
  m_listInput->setCurrentRow(s - 1);
}

void CMainDlg::OnMoveDown() {
  m_listInput->setFocus();
  const int s = CurSel();
  const int n = m_listInput->count();
  if (m_bListHasFiles == 0 || s == n - 1 || s < 0 || s + 1 >= m_astrInputPaths.size()) return;
  m_astrInputPaths.swapItemsAt(s, s + 1);
  RebuildList();
  m_listInput->setCurrentRow(s + 1);
}
