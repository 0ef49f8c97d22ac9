#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

#include "ui/behaviour/CPreviewBehaviour.h"
#include "ui/behaviour/IDialogView.h"

class COutlineModel;
class QLabel;
class QPlainTextEdit;
class QTreeView;

// The preview window on Qt: the tree of an outline with its columns and colours, and what
// the engine said about it; the behaviour decides what is outlined and when.
class CPreviewDlg : public QDialog,
                    public behaviour::IDialogView,
                    public behaviour::CPreviewBehaviour {
 public:
  explicit CPreviewDlg(QWidget* parent);
  ~CPreviewDlg() override;

  // Where a window of `preferred` frame size opens beside `owner` on `screen` (frame
  // rectangles): on the side with more room, as wide as that room allows down to `minimum`;
  // with too little room on both, as narrow as it can be, over the owner's side with more
  // room. Inside the screen whenever the minimum fits it.
  static QRect Beside(const QRect& owner, const QRect& screen, QSize preferred,
                      const QSize& minimum);

  // The view.
  std::string Text(int nId) const override;
  void SetText(int nId, const std::string& text) override;
  bool IsChecked(int) const override { return false; }
  void SetChecked(int, bool) override {}
  int Selection(int) const override { return -1; }
  void SetSelection(int, int) override {}
  void SetItems(int, const std::vector<std::string>&) override {}
  void Enable(int, bool) override {}
  void Focus(int) override {}
  void Post(std::function<void()> task) override;
  void SetTimer(int nTimer, int nMilliseconds) override;

  QLabel* m_labelFile;
  QTreeView* m_treeOutline;
  QPlainTextEdit* m_editMessages;
  COutlineModel* m_pModel;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  std::unique_ptr<OutlineResult> ShowResult(std::unique_ptr<OutlineResult> result) override;
  const OutlineResult* ShownResult() const override;
  void ShowPath(const std::string& path) override;

 private:
  // Each column as wide as its title and the widest text of the tree shown, but the text's.
  void FitColumns();

  QTimer m_timerUpdate;    // the pause after a change
  QTimer m_timerProgress;  // the percentage while an outline is made
  bool m_bPlaced = false;  // put beside the dialog once
};
