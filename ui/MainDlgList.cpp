// The input list of the main dialog: the path array, the list box that shows it, and the
// handlers that add, remove, move and choose files.
#include <QLineEdit>
#include <QListWidget>
#include <new>

#include "platform/MessageBox.h"
#include "platform/qt/CFileDialog.h"
#include "resources/Strings.h"
#include "ui/CMainDlg.h"

namespace {
constexpr char kPlaceholder[] = "入力ファイル名";
constexpr char kArrayGrowFailed[] = "配列の拡張に失敗";
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

void CMainDlg::OnAddInput() {
  const QStringList paths =
      platform::qt::CFileDialog::GetOpenFileNames(this, QString::fromUtf8(resources::kFileFilter));
  for (const QString& path : paths) {
    // A path the array could not take is not shown: the list never outnumbers the array.
    if (AddToArray(path) == 0) AddToListBox(path);
  }
}

void CMainDlg::OnBrowseOutput() {
  const QString path =
      platform::qt::CFileDialog::GetFileName(this, QString::fromUtf8(resources::kFileFilter));
  if (path.isEmpty()) return;
  m_editOutput->setText(path);
  m_editOutput->home(false);
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
