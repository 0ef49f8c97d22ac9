#pragma once

#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QStringList>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "ui/options/COptionDlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;

// The main dialog (template 102): the input list, the output file, the separator choice,
// the EUC box, the options and the run. The run request's state (m_bAutoClose,
// m_bUserSeparator, m_nSeparatorKind, m_bOptionsOpened, m_nAbort) is its base.
class CMainDlg : public QDialog, public engine::CRunRequest {
 public:
  CMainDlg();

  int DoModal();
  void OnInitDialog();

  // Handlers.
  void OnAddInput();
  void OnBrowseOutput();
  void OnStandard();
  void OnRun();
  void OnDelete();
  void OnMoveUp();
  void OnMoveDown();
  void OnDblclkInputList() {}
  void OnSpecifySeparator();
  void OnOptions();
  void OnEditchangeSeparator();
  void OnSelchangeSeparator();
  void OnSysCommand(int nID);

  // The input list and its path array.
  void IniArray();
  int AddToArray(const QString& path);
  void RemoveFromArray(int index);
  void RemoveAllFromArray();
  void AddToListBox(const QString& path);
  void ResetList();
  void DeleteListItem(int DeleteIndex);

  // The program's folder and the output file name in it, or the home folder when the
  // program's folder cannot be written to.
  static QString DefaultOutputPath(const QString& programDir, const QString& homeDir);

  COptionDlg m_dlgOptions;
  int m_nFileCount = 0;
  engine::CExecutor m_executor;
  QComboBox* m_comboSeparator;         // 1028
  QCheckBox* m_checkSpecifySeparator;  // 1016
  QCheckBox* m_checkEuc;               // 1015
  QListWidget* m_listInput;            // 1014
  QProgressBar* m_progress;            // 1005
  QLineEdit* m_editOutput;             // 1001
  QIcon m_hIcon;
  QStringList m_astrInputPaths;
  int m_bListHasFiles = 0;
  // Stands in for the window menu, which the window manager owns: close, then the about entry.
  QMenu m_menuSystem;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int CurSel() const;
  void RebuildList();
};
