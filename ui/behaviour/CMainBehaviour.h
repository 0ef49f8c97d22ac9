#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/request/COptionValues.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "engine/run/TextEncoding.h"
#include "ui/behaviour/COutlineWorker.h"
#include "ui/behaviour/IMainView.h"

namespace behaviour {

// What the main dialog does, whatever draws it: the input list, the output file, the
// separator choice, the run on a worker thread with its progress and stop, and the job the
// preview shows. The run request's state (m_bUserSeparator, m_nSeparatorKind,
// m_bOptionsOpened, m_nAbort) is its base. The front end calls the handlers from its
// controls' events, on the UI thread.
class CMainBehaviour : public engine::CRunRequest {
 public:
  explicit CMainBehaviour(IMainView& view);
  // Stop first, while the view still stands.
  ~CMainBehaviour();
  CMainBehaviour(const CMainBehaviour&) = delete;
  CMainBehaviour& operator=(const CMainBehaviour&) = delete;

  // Fills the controls as the dialog opens, with `files` listed, and the remembered folders.
  void OnInitDialog(const std::vector<std::string>& files = {});
  // Stops a run that is still going on and waits for it; the view answers meanwhile.
  void Stop();

  // The button (or check box) `nId` was clicked; false for one the behaviour leaves to the
  // front end (終了, ｷｬﾝｾﾙ).
  bool OnButton(int nId);
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
  void OnAbout();
  void OnEditchangeSeparator();
  void OnSelchangeSeparator();
  void OnSelchangeList();
  void OnEuc();
  void OnTimer(int nTimer);
  // Files dropped on the list (a folder: the logs directly inside it) or the output field;
  // false when the drop is refused, during a run.
  bool OnDropOnList(const std::vector<std::string>& paths);
  bool OnDropOnOutput(const std::string& path);
  // Whether the dialog may close (終了, Esc, the close box); during a run it asks whether to
  // stop it instead.
  bool OnClose();

  // Appends files to the list in the given order; folders are left out.
  void AddInputFiles(const std::vector<std::string>& paths);
  // Whether a run is going on (or the first input is looked at before one).
  bool IsRunning() const { return m_bRunning || m_bDetecting; }
  // The run's encoding and separator in `inputs`: the EUC box's choice, or what the first
  // input's bytes say it is in, when they say another and the user agrees. Nothing of the
  // answer is kept. False when the dialog closed while the input was looked at.
  bool AskEncoding(engine::RunInputs& inputs);
  // What the preview shows: the selected input (else the first) with the settings a run
  // would read now; none without an input.
  std::optional<OutlineJob> PreviewJob() const;

  engine::CExecutor m_executor;
  std::vector<std::string> m_astrInputPaths;
  // Folders remembered between starts: of the last input added and of the last output chosen.
  std::string m_strInputFolder;
  std::string m_strOutputFolder;

  static constexpr int kProgressTimer = 1;

 private:
  void ShowList(int nSelect);
  void StartRun();
  void OnRunEnded();
  void ShowProgress();
  void EnableEditing(bool bEnable);
  void AskStop();

  IMainView& m_view;
  std::thread m_runThread;
  std::atomic<bool> m_bRunDone{false};
  int m_nRunResult = 0;
  bool m_bRunning = false;
  bool m_bStopping = false;              // the dialog goes: no closing message
  bool m_bAskingStop = false;            // the stop question is open
  bool m_bRunEnded = false;              // the run ended while the question was open
  bool m_bDetecting = false;             // the first input is looked at before a run
  bool m_bClosedWhileDetecting = false;  // the dialog closed meanwhile: no run follows
  std::string m_strSeparatorShown;       // the separator field's last text within the limit
};

}  // namespace behaviour
