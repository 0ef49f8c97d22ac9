#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/behaviour/COutlineWorker.h"
#include "ui/behaviour/IDialogView.h"

namespace behaviour {

// What the preview window does: takes the main dialog's settings when it is shown and a
// moment after each change, has the worker make their outline beside the UI thread, shows
// how far it is, and hands the finished tree to the view with its title and messages.
class CPreviewBehaviour {
 public:
  explicit CPreviewBehaviour(IDialogView& view);
  virtual ~CPreviewBehaviour() = default;

  // Takes the settings again a moment from now, once a burst of changes (typing) is over;
  // nothing while the window is hidden.
  void Schedule();
  // Takes the settings now; unchanged settings of the same file version make nothing new.
  void Update();
  // Whether what the window shows may still change: settings are due or being outlined.
  bool IsBusy() const;
  void OnShown();
  void OnHidden();
  void OnTimer(int nTimer);

  std::function<std::optional<OutlineJob>()> m_jobOfDialog;
  COutlineWorker m_worker;

  static constexpr int kUpdateTimer = 11;
  static constexpr int kProgressTimer = 12;

 protected:
  // Shows `result` in the tree (none: an empty tree) and returns the one shown before.
  virtual std::unique_ptr<OutlineResult> ShowResult(std::unique_ptr<OutlineResult> result) = 0;
  // The tree shown, if any.
  virtual const OutlineResult* ShownResult() const = 0;
  // The file the window is about (empty: none), for a tip over its name.
  virtual void ShowPath(const std::string&) {}

 private:
  void OnReady();
  void ShowProgress();
  std::string FileName() const;

  IDialogView& m_view;
  bool m_bVisible = false;
  bool m_bUpdateDue = false;  // the pause after a change is running
  bool m_bAsked = false;      // m_job was asked for since the window was shown
  std::optional<OutlineJob> m_job;
  std::uint64_t m_nGeneration = 0;  // of m_job
  std::uint64_t m_nShown = 0;       // of what the window shows
};

}  // namespace behaviour
