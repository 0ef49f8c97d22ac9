// The run button: reads the controls into the run request's inputs (asking first when the
// first input looks like another encoding), checks them on the UI thread, runs on a worker
// thread while the dialog keeps answering, and closes with the request's message back on
// the UI thread.
#include <algorithm>

#include "engine/request/RunEncoding.h"
#include "platform/MessageBox.h"
#include "ui/behaviour/CMainBehaviour.h"
#include "ui/behaviour/Paths.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/Strings.h"

namespace behaviour {
namespace {
using namespace resources;
constexpr int kProgressInterval = 50;  // ms between two updates of the bar during a run

// The controls that would change a run; 終了 stays, to ask for a stop.
constexpr int kEditingIds[] = {kIdOutput,      kIdAddInput, kIdBrowseOutput, kIdRun,
                               kIdDeleteInput, kIdMoveUp,   kIdMoveDown,     kIdInputList,
                               kIdEuc,         kIdOptions,  kIdSeparator};
}  // namespace

void CMainBehaviour::OnRun() {
  if (IsRunning()) return;
  engine::RunInputs inputs;
  inputs.astrInputPaths = m_astrInputPaths;
  inputs.strOutputPath = m_view.Text(kIdOutput);
  if (!AskEncoding(inputs)) return;
  if (!Prepare(inputs, m_view.OptionValues(), m_executor)) return;
  m_strOutputFolder = FolderOf(AbsolutePath(inputs.strOutputPath));
  StartRun();
}

bool CMainBehaviour::AskEncoding(engine::RunInputs& inputs) {
  engine::EncodingRequest asked;
  asked.choice =
      m_view.IsChecked(kIdEuc) ? engine::EncodingChoice::kEucJp : engine::EncodingChoice::kShiftJis;
  asked.separator = m_view.Text(kIdSeparator);
  // No, the default, keeps the choice the user made.
  const auto ask = [](const std::string& question, engine::TextEncoding) {
    const unsigned type = platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2;
    return platform::AfxMessageBox(question, type) == platform::kIdYes;
  };
  if (m_astrInputPaths.empty()) {
    engine::ApplyEncoding(inputs, asked, ask);
    return true;
  }
  const std::string first = m_astrInputPaths.front();
  // A UTF-8 log is read whole to be told valid (0.7 s for 350 MiB): beside the dialog, which
  // keeps answering meanwhile with the controls of a run off.
  std::atomic<bool> bLooked{false};
  m_bDetecting = true;
  m_bClosedWhileDetecting = false;
  EnableEditing(false);
  std::thread look([&] {
    asked.firstInput = engine::DetectFileEncoding(first);
    bLooked = true;
    m_view.Post([] {});  // wakes the UI thread
  });
  m_view.WaitUntil([&] { return bLooked.load(); });
  look.join();
  m_bDetecting = false;
  EnableEditing(true);
  if (m_bClosedWhileDetecting) return false;
  asked.firstInputName = NameOf(first);
  engine::ApplyEncoding(inputs, asked, ask);
  return true;
}

void CMainBehaviour::StartRun() {
  m_bRunEnded = false;
  m_bRunning = true;
  m_bRunDone = false;
  m_view.SetProgress(kIdProgress, 0);
  EnableEditing(false);
  // Execute reads nothing of the dialog but the abort flag; the executor is the run's alone
  // until the thread has ended.
  m_runThread = std::thread([this] {
    m_nRunResult = Execute(m_executor);
    m_bRunDone = true;
    m_view.Post([this] { OnRunEnded(); });
  });
  m_view.SetTimer(kProgressTimer, kProgressInterval);
}

void CMainBehaviour::OnRunEnded() {
  if (m_bStopping || !m_bRunning) return;
  m_bRunEnded = true;
  if (m_bAskingStop) return;  // the closing message waits for the answer
  m_view.SetTimer(kProgressTimer, 0);
  m_runThread.join();
  m_bRunning = false;
  ShowProgress();
  EnableEditing(true);
  Finish(m_nRunResult, m_executor);
  m_view.SetProgress(kIdProgress, 0);  // the next run starts from an empty bar
}

void CMainBehaviour::OnTimer(int nTimer) {
  if (nTimer == kProgressTimer && m_bRunning) ShowProgress();
}

void CMainBehaviour::ShowProgress() {
  const engine::CExecutor::Progress progress = m_executor.GetProgress();
  const std::uint64_t total = progress.nTotal;
  const std::uint64_t done = progress.nDone;
  const int max = IMainView::kProgressMax;
  m_view.SetProgress(kIdProgress,
                     total == 0 ? 0 : static_cast<int>(std::min(done, total) * max / total));
}

void CMainBehaviour::EnableEditing(bool bEnable) {
  for (const int id : kEditingIds) m_view.Enable(id, bEnable);
  m_view.Focus(bEnable ? kIdRun : kIdOk);
}

void CMainBehaviour::AskStop() {
  // While the question is open the run puts no output in place, so that the answer decides
  // what it leaves. A run that has put its last one in place has nothing left to stop: its
  // closing message is on its way.
  if (!m_executor.m_commitGate.Hold()) return;
  m_bAskingStop = true;
  const unsigned type = platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2;
  const int answer = platform::AfxMessageBox(kAskStop, type);
  m_bAskingStop = false;
  if (answer == platform::kIdYes) m_nAbort.store(1);
  m_executor.m_commitGate.Release();
  if (m_bRunEnded) OnRunEnded();
}

}  // namespace behaviour
