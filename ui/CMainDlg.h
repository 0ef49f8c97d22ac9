#pragma once

#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QStringList>
#include <QTimer>

#include "ui/behaviour/CMainBehaviour.h"
#include "ui/behaviour/IMainView.h"
#include "ui/options/COptionDlg.h"
#include "ui/preview/CPreviewDlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;

// The main dialog (template 102) on Qt: creates the controls, passes their events to the
// behaviour and shows what it asks for.
class CMainDlg : public QDialog, public behaviour::IMainView, public behaviour::CMainBehaviour {
 public:
  CMainDlg();
  // Waits for a run that is still going on (stopping it): the run uses the executor.
  ~CMainDlg() override;

  // Shows the dialog with `files` in the input list.
  int DoModal(const QStringList& files = {});
  void OnInitDialog(const QStringList& files = {});
  void AddInputFiles(const QStringList& paths);

  // The program's folder and the output file name in it, or the home folder when the
  // program's folder cannot be written to.
  static QString DefaultOutputPath(const QString& programDir, const QString& homeDir);

  // The view.
  std::string Text(int nId) const override;
  void SetText(int nId, const std::string& text) override;
  bool IsChecked(int nId) const override;
  void SetChecked(int nId, bool bChecked) override;
  int Selection(int nId) const override;
  void SetSelection(int nId, int nIndex) override;
  void SetItems(int nId, const std::vector<std::string>& items) override;
  void Enable(int nId, bool bEnable) override;
  void Focus(int nId) override;
  void SetProgress(int nId, int nValue) override;
  std::vector<std::string> ChooseInputs(const std::string& folder) override;
  std::string ChooseOutput(const std::string& path) override;
  std::string Setting(const std::string& key) const override;
  void SetSetting(const std::string& key, const std::string& value) override;
  void Post(std::function<void()> task) override;
  void SetTimer(int nTimer, int nMilliseconds) override;
  void WaitUntil(const std::function<bool()>& done) override;
  const engine::COptionValues& OptionValues() const override { return m_dlgOptions; }
  bool ShowOptions() override;
  void ShowPreview() override;
  void PreviewChanged() override;
  void ShowAbout() override;
  std::string DefaultOutputPath() const override;

  COptionDlg m_dlgOptions;
  QComboBox* m_comboSeparator;
  QCheckBox* m_checkEuc;
  QListWidget* m_listInput;
  QProgressBar* m_progress;
  QLineEdit* m_editOutput;
  QIcon m_icon;
  // Stands in for the window menu, which the window manager owns: close, then the about entry.
  QMenu m_menuSystem;
  // How the selected input divides; it follows the settings while it is shown.
  CPreviewDlg m_dlgPreview;

  // Closing (終了, Esc, the close box, the menu) during a run asks whether to stop it instead.
  void done(int r) override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTimer m_timerProgress;  // moves the progress bar while a run goes on
};
