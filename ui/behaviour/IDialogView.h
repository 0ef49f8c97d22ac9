#pragma once

#include <functional>
#include <string>
#include <vector>

namespace behaviour {

// What a dialog's behaviour needs of a toolkit: the values of its controls by control id,
// and the UI thread. Messages and questions go through platform::AfxMessageBox, whose sink
// each front end installs. Texts and paths are UTF-8.
class IDialogView {
 public:
  virtual ~IDialogView() = default;

  // A field's text (an edit, the separator combo's text, a label).
  virtual std::string Text(int nId) const = 0;
  virtual void SetText(int nId, const std::string& text) = 0;
  virtual bool IsChecked(int nId) const = 0;
  virtual void SetChecked(int nId, bool bChecked) = 0;
  // The selected row of a list or item of a combo; -1: none (a combo's own typed text).
  virtual int Selection(int nId) const = 0;
  virtual void SetSelection(int nId, int nIndex) = 0;
  // Replaces the rows of a list or the items of a combo.
  virtual void SetItems(int nId, const std::vector<std::string>& items) = 0;
  virtual void Enable(int nId, bool bEnable) = 0;
  virtual void Focus(int nId) = 0;

  // Runs `task` on the UI thread soon; any thread may call it. Dropped when the view goes.
  virtual void Post(std::function<void()> task) = 0;
  // Calls the behaviour's OnTimer(nTimer) every `nMilliseconds` (0: no more).
  virtual void SetTimer(int nTimer, int nMilliseconds) = 0;
};

}  // namespace behaviour
