#pragma once

#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QStringList>
#include <QTimer>
#include <optional>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "engine/run/TextEncoding.h"
#include "ui/options/COptionDlg.h"
#include "ui/preview/CPreviewDlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QThread;

// The main dialog (template 102): the input list, the output file, the separator choice,
// the EUC box, the options and the run. The run request's state (m_bAutoClose,
// m_bUserSeparator, m_nSeparatorKind, m_bOptionsOpened, m_nAbort) is its base.
class CMainDlg : public QDialog, public engine::CRunRequest {
 public:
  CMainDlg();
  // Waits for a run that is still going on (stopping it): the run uses the executor.
  ~CMainDlg() override;

  // Shows the dialog with `files` in the input list.
  int DoModal(const QStringList& files = {});
  void OnInitDialog();

  // Handlers.
  void OnAddInput();
  void OnBrowseOutput();
  void OnStandard();
  void OnRun();
  void OnDelete();
  void OnMoveUp();
  void OnMoveDown();
  void OnSpecifySeparator();
  void OnOptions();
  void OnPreview();
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
  // Appends files to the array and the list in the given order; folders are left out.
  void AddInputFiles(const QStringList& paths);

  // The program's folder and the output file name in it, or the home folder when the
  // program's folder cannot be written to.
  static QString DefaultOutputPath(const QString& programDir, const QString& homeDir);

  // Whether a run is going on (on the worker thread, or its closing message still to come).
  bool IsRunning() const { return m_pRunThread != nullptr; }

  // The run's encoding and separator in `inputs`: the EUC box's choice, or what the first
  // input's bytes say it is in, when they say another and the user agrees. Nothing of the
  // answer is kept. False when the dialog was closed while the input was looked at.
  bool AskEncoding(engine::RunInputs& inputs);
  // What the preview shows: the selected input (else the first) with the settings a run
  // would read now; none without an input.
  std::optional<OutlineJob> PreviewJob() const;

  COptionDlg m_dlgOptions;
  int m_nFileCount = 0;
  engine::CExecutor m_executor;
  QComboBox* m_comboSeparator;
  QCheckBox* m_checkSpecifySeparator;
  QCheckBox* m_checkEuc;
  QListWidget* m_listInput;
  QProgressBar* m_progress;
  QLineEdit* m_editOutput;
  QIcon m_icon;
  QStringList m_astrInputPaths;
  int m_bListHasFiles = 0;
  // Stands in for the window menu, which the window manager owns: close, then the about entry.
  QMenu m_menuSystem;
  // How the selected input divides; it follows the settings while it is shown.
  CPreviewDlg m_dlgPreview;
  // Folders remembered between starts: of the last input added and of the last output chosen.
  QString m_strInputFolder;
  QString m_strOutputFolder;

  // Closing (終了, Esc, the close box, the menu) during a run asks whether to stop it instead.
  void done(int r) override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int CurSel() const;
  void RebuildList();
  void LoadSettings();
  void SaveSettings() const;
  void StartRun();
  void OnRunEnded();
  void ShowProgress();
  void EnableEditing(bool bEnable);
  void AskStop();

  QTimer m_timerProgress;  // moves the progress bar while a run goes on
  QThread* m_pRunThread = nullptr;
  int m_nRunResult = 0;
  bool m_bAskingStop = false;            // the stop question is open
  bool m_bRunEnded = false;              // the run ended while the question was open
  bool m_bDetecting = false;             // the first input is looked at before a run
  bool m_bClosedWhileDetecting = false;  // the dialog closed meanwhile: no run follows
};
