#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "ui/preview/COutlineWorker.h"

class COutlineModel;
class QLabel;
class QPlainTextEdit;
class QTreeView;

// The preview window: how one input divides with the main dialog's settings, as the tree a
// run builds, with what the engine said about it. Outlines are made on the worker's thread,
// so the window and the dialog keep answering while a large log is split. The window takes
// the dialog's settings from `m_jobOfDialog` when it is shown and a moment after each
// change the dialog reports (Schedule).
class CPreviewDlg : public QDialog {
 public:
  explicit CPreviewDlg(QWidget* parent);
  ~CPreviewDlg() override;

  // Takes the settings again a moment from now, once a burst of changes (typing) is over;
  // nothing while the window is hidden.
  void Schedule();
  // Takes the settings now; unchanged settings of the same file version make nothing new.
  void Update();
  // Whether what the window shows may still change: settings are due or being outlined.
  bool IsBusy() const;
  // Where a window of `preferred` frame size opens beside `owner` on `screen` (frame
  // rectangles): on the side with more room, as wide as that room allows down to `minimum`;
  // with too little room on both, as narrow as it can be, over the owner's side with more
  // room. Inside the screen whenever the minimum fits it.
  static QRect Beside(const QRect& owner, const QRect& screen, QSize preferred,
                      const QSize& minimum);

  std::function<std::optional<OutlineJob>()> m_jobOfDialog;
  QLabel* m_labelFile;
  QTreeView* m_treeOutline;
  QPlainTextEdit* m_editMessages;
  COutlineModel* m_pModel;
  COutlineWorker m_worker;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnReady();
  void ShowProgress();
  // Each column as wide as its title and the widest text of the tree shown, but the text's.
  void FitColumns();
  QString FileName() const;

  QTimer m_timerUpdate;    // the pause after a change
  QTimer m_timerProgress;  // the percentage while an outline is made
  bool m_bAsked = false;   // m_job was asked for since the window was shown
  bool m_bPlaced = false;  // put beside the dialog once
  std::optional<OutlineJob> m_job;
  std::uint64_t m_nGeneration = 0;  // of m_job
  std::uint64_t m_nShown = 0;       // of what the window shows
};
