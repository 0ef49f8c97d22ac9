// The run button: reads the dialog's controls into the run request's inputs (asking first
// when the first input looks like another encoding), checks them on the dialog's thread,
// runs on a worker thread while the dialog keeps answering, and closes with the request's
// message back on the dialog's thread. The preview reads the same controls.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <memory>

#include "engine/request/RunEncoding.h"
#include "engine/run/TextEncoding.h"
#include "platform/MessageBox.h"
#include "ui/CMainDlg.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/Strings.h"

namespace {

std::string LocalBytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// The controls that would change a run; 終了 stays, to ask for a stop.
using namespace resources;
constexpr int kEditingIds[] = {kIdOutput,      kIdAddInput, kIdBrowseOutput, kIdRun,
                               kIdDeleteInput, kIdMoveUp,   kIdMoveDown,     kIdInputList,
                               kIdEuc,         kIdOptions,  kIdSeparator};

}  // namespace

void CMainDlg::OnRun() {
  if (IsRunning() || m_bDetecting) return;
  engine::RunInputs inputs;
  for (const QString& path : m_astrInputPaths) inputs.astrInputPaths.push_back(LocalBytes(path));
  inputs.strOutputPath = LocalBytes(m_editOutput->text());
  if (!AskEncoding(inputs)) return;
  if (!Prepare(inputs, m_dlgOptions, m_executor)) return;
  m_strOutputFolder = QFileInfo(m_editOutput->text()).absolutePath();
  StartRun();
}

bool CMainDlg::AskEncoding(engine::RunInputs& inputs) {
  engine::EncodingRequest asked;
  asked.choice =
      m_checkEuc->isChecked() ? engine::EncodingChoice::kEucJp : engine::EncodingChoice::kShiftJis;
  asked.separator = m_comboSeparator->currentText().toStdString();
  // No, the default, keeps the choice the user made.
  const auto ask = [](const std::string& question, engine::TextEncoding) {
    const unsigned type = platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2;
    return platform::AfxMessageBox(question, type) == platform::kIdYes;
  };
  if (m_astrInputPaths.isEmpty()) {
    engine::ApplyEncoding(inputs, asked, ask);
    return true;
  }
  const QString first = m_astrInputPaths.first();
  // A UTF-8 log is read whole to be told valid (0.7 s for 350 MiB): beside the dialog, which
  // keeps answering meanwhile with the controls of a run off.
  const std::unique_ptr<QThread> look(QThread::create(
      [&asked, path = LocalBytes(first)] { asked.firstInput = engine::DetectFileEncoding(path); }));
  QEventLoop loop;
  connect(look.get(), &QThread::finished, &loop, &QEventLoop::quit);
  m_bDetecting = true;
  m_bClosedWhileDetecting = false;
  EnableEditing(false);
  look->start();
  loop.exec();
  look->wait();
  m_bDetecting = false;
  EnableEditing(true);
  if (m_bClosedWhileDetecting) return false;
  asked.firstInputName = QFileInfo(first).fileName().toStdString();
  engine::ApplyEncoding(inputs, asked, ask);
  return true;
}

std::optional<OutlineJob> CMainDlg::PreviewJob() const {
  if (m_astrInputPaths.isEmpty()) return std::nullopt;
  const int row = CurSel();
  const QString path = m_astrInputPaths[row >= 0 && row < m_astrInputPaths.size() ? row : 0];
  const QFileInfo info(path);
  OutlineJob job;
  job.strPath = LocalBytes(path);
  job.nFileSize = info.size();
  job.nModified = info.lastModified().toMSecsSinceEpoch();
  job.strSeparator = m_comboSeparator->currentText().toStdString();
  job.bEuc = m_checkEuc->isChecked() ? 1 : 0;
  job.bUserSeparator = m_bUserSeparator;
  job.nSeparatorKind = m_nSeparatorKind;
  // Until the options dialog has been opened, a run takes defaults that reverse and cut nothing.
  if (m_bOptionsOpened == 1) job.options = static_cast<const engine::COptionValues&>(m_dlgOptions);
  return job;
}

void CMainDlg::StartRun() {
  m_bRunEnded = false;
  m_progress->setValue(0);
  EnableEditing(false);
  // Execute reads nothing of the dialog but the abort flag; the executor is the run's alone
  // until the thread has ended.
  m_pRunThread = QThread::create([this] { m_nRunResult = Execute(m_executor); });
  connect(m_pRunThread, &QThread::finished, this, [this] { OnRunEnded(); });
  m_timerProgress.start();
  m_pRunThread->start();
}

void CMainDlg::OnRunEnded() {
  m_bRunEnded = true;
  if (m_bAskingStop) return;  // the closing message waits for the answer
  m_timerProgress.stop();
  m_pRunThread->wait();
  delete m_pRunThread;
  m_pRunThread = nullptr;
  ShowProgress();
  EnableEditing(true);
  Finish(m_nRunResult, m_executor);
  m_progress->setValue(0);  // the next run starts from an empty bar
}

void CMainDlg::ShowProgress() {
  const engine::CExecutor::Progress progress = m_executor.GetProgress();
  const std::uint64_t total = progress.nTotal;
  const std::uint64_t done = progress.nDone;
  const int max = m_progress->maximum();
  m_progress->setValue(total == 0 ? 0 : static_cast<int>(std::min(done, total) * max / total));
}

void CMainDlg::EnableEditing(bool bEnable) {
  for (const int id : kEditingIds)
    platform::qt::GetDlgItem<QWidget>(*this, id)->setEnabled(bEnable);
  auto* focus =
      platform::qt::GetDlgItem<QPushButton>(*this, bEnable ? resources::kIdRun : resources::kIdOk);
  focus->setFocus();
}

void CMainDlg::AskStop() {
  // While the question is open the run puts no output in place, so that the answer decides
  // what it leaves. A run that has put its last one in place has nothing left to stop: its
  // closing message is on its way.
  if (!m_executor.m_commitGate.Hold()) return;
  m_bAskingStop = true;
  const unsigned type = platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2;
  const int answer = platform::AfxMessageBox(resources::kAskStop, type);
  m_bAskingStop = false;
  if (answer == platform::kIdYes) m_nAbort.store(1);
  m_executor.m_commitGate.Release();
  if (m_bRunEnded) OnRunEnded();
}
