#pragma once

#include <string>

#include "engine/request/COptionValues.h"

#include "ui/behaviour/IDialogView.h"

namespace behaviour {

// The main dialog's view: the controls, the file dialogs, the settings kept between starts
// and the windows it opens.
class IMainView : public IDialogView {
 public:
  // A progress bar's position, 0 to kProgressMax.
  virtual void SetProgress(int nId, int nValue) = 0;

  // The open dialog for several HTML files, at `folder`; none: cancelled.
  virtual std::vector<std::string> ChooseInputs(const std::string& folder) = 0;
  // The save dialog, at `path`'s folder with its name filled in; empty: cancelled.
  virtual std::string ChooseOutput(const std::string& path) = 0;

  // A value kept between starts under `key`; empty when there is none.
  virtual std::string Setting(const std::string& key) const = 0;
  virtual void SetSetting(const std::string& key, const std::string& value) = 0;

  // Keeps the UI thread answering (other threads' message boxes included) until `done`.
  virtual void WaitUntil(const std::function<bool()>& done) = 0;

  static constexpr int kProgressMax = 1000;

  // The options dialog's values, which a run reads.
  virtual const engine::COptionValues& OptionValues() const = 0;
  // Shows the options dialog modally; true after OK.
  virtual bool ShowOptions() = 0;
  virtual void ShowPreview() = 0;
  // Something the preview reads has changed: it takes the settings again a moment later.
  virtual void PreviewChanged() = 0;
  virtual void ShowAbout() = 0;
  // The output file a first start proposes: in the program's folder, or the home folder
  // when that cannot be written to.
  virtual std::string DefaultOutputPath() const = 0;
};

}  // namespace behaviour
