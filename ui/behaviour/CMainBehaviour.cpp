#include "ui/behaviour/CMainBehaviour.h"

#include <iterator>
#include <utility>

#include "platform/MessageBox.h"
#include "ui/behaviour/Format.h"
#include "ui/behaviour/Paths.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/MainDialog.h"
#include "ui/resources/Strings.h"

namespace behaviour {
namespace {
using namespace resources;
constexpr char kPlaceholder[] = "入力ファイル名";
constexpr char kInputFolderKey[] = "folders/input";
constexpr char kOutputFolderKey[] = "folders/output";

// Characters as the separator field counts them (UTF-16 units).
std::size_t FieldLength(const std::string& utf8) {
  std::size_t n = 0;
  for (const unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++n;
    if (c >= 0xF0) ++n;  // a character beyond the basic plane takes two
  }
  return n;
}
}  // namespace

CMainBehaviour::CMainBehaviour(IMainView& view) : m_view(view) {}

CMainBehaviour::~CMainBehaviour() {
  m_nAbort.store(1);
  if (m_runThread.joinable()) m_runThread.join();
}

bool CMainBehaviour::OnButton(int nId) {
  static constexpr std::pair<int, void (CMainBehaviour::*)()> kHandlers[] = {
      {kIdAddInput, &CMainBehaviour::OnAddInput},
      {kIdBrowseOutput, &CMainBehaviour::OnBrowseOutput},
      {kIdStandard, &CMainBehaviour::OnStandard},
      {kIdRun, &CMainBehaviour::OnRun},
      {kIdDeleteInput, &CMainBehaviour::OnDelete},
      {kIdMoveUp, &CMainBehaviour::OnMoveUp},
      {kIdMoveDown, &CMainBehaviour::OnMoveDown},
      {kIdOptions, &CMainBehaviour::OnOptions},
      {kIdPreview, &CMainBehaviour::OnPreview},
      {kIdSpecifySeparator, &CMainBehaviour::OnSpecifySeparator},
      {kIdEuc, &CMainBehaviour::OnEuc}};
  for (const auto& [id, handler] : kHandlers) {
    if (id != nId) continue;
    (this->*handler)();
    return true;
  }
  return false;
}

void CMainBehaviour::OnInitDialog(const std::vector<std::string>& files) {
  m_view.SetItems(kIdSeparator, {std::begin(kSeparatorItems), std::end(kSeparatorItems)});
  m_view.SetSelection(kIdSeparator, 0);
  m_view.SetText(kIdOutput, m_view.DefaultOutputPath());
  m_view.SetChecked(kIdSpecifySeparator, false);
  OnSpecifySeparator();
  m_strSeparatorShown = m_view.Text(kIdSeparator);
  m_astrInputPaths.clear();
  ShowList(-1);
  m_bOptionsOpened = false;
  m_nSeparatorKind = 0;
  m_bUserSeparator = false;
  m_view.SetProgress(kIdProgress, 0);
  m_strInputFolder = m_view.Setting(kInputFolderKey);
  m_strOutputFolder = m_view.Setting(kOutputFolderKey);
  AddInputFiles(files);
}

void CMainBehaviour::Stop() {
  m_bStopping = true;
  if (!m_runThread.joinable()) return;
  m_nAbort.store(1);
  // The run may be waiting for a message box, which the UI thread shows.
  m_view.WaitUntil([this] { return m_bRunDone.load(); });
  m_runThread.join();
  m_bRunning = false;
}

bool CMainBehaviour::OnClose() {
  if (m_bAskingStop) return false;
  if (m_bRunning) {
    AskStop();
    return false;
  }
  m_bClosedWhileDetecting = m_bDetecting;
  m_view.SetSetting(kInputFolderKey, m_strInputFolder);
  m_view.SetSetting(kOutputFolderKey, m_strOutputFolder);
  return true;
}

void CMainBehaviour::ShowList(int nSelect) {
  if (m_astrInputPaths.empty()) {
    m_view.SetItems(kIdInputList, {kPlaceholder});
    m_view.SetSelection(kIdInputList, -1);
  } else {
    m_view.SetItems(kIdInputList, m_astrInputPaths);
    m_view.SetSelection(kIdInputList, nSelect);
  }
  m_view.PreviewChanged();
}

void CMainBehaviour::AddInputFiles(const std::vector<std::string>& paths) {
  const std::size_t before = m_astrInputPaths.size();
  for (const std::string& path : paths) {
    if (IsFolder(path)) continue;
    const std::string absolute = AbsolutePath(path);
    m_astrInputPaths.push_back(absolute);
    m_strInputFolder = FolderOf(absolute);
  }
  if (m_astrInputPaths.size() != before) ShowList(static_cast<int>(m_astrInputPaths.size()) - 1);
}

bool CMainBehaviour::OnDropOnList(const std::vector<std::string>& paths) {
  if (IsRunning()) return false;
  // A dropped folder stands for the logs directly inside it, in name order; one that holds
  // none is named in a message, after the drop is over.
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    if (!IsFolder(path)) {
      files.push_back(path);
      continue;
    }
    const std::vector<std::string> logs = LogsIn(path);
    files.insert(files.end(), logs.begin(), logs.end());
    if (logs.empty()) {
      const std::string text = Format(kNoLogsInFolder, {path});
      m_view.Post([text] { platform::AfxMessageBox(text); });
    }
  }
  AddInputFiles(files);
  return true;
}

bool CMainBehaviour::OnDropOnOutput(const std::string& path) {
  if (IsRunning()) return false;
  m_view.SetText(kIdOutput, path);
  m_strOutputFolder = FolderOf(path);
  return true;
}

void CMainBehaviour::OnAddInput() {
  // The folder of the last input listed, else the one files came from last time.
  const std::string folder = !m_astrInputPaths.empty()   ? FolderOf(m_astrInputPaths.back())
                             : !m_strInputFolder.empty() ? m_strInputFolder
                                                         : FolderOf(m_view.Text(kIdOutput));
  AddInputFiles(m_view.ChooseInputs(folder));
}

void CMainBehaviour::OnBrowseOutput() {
  std::string path = m_view.Text(kIdOutput);
  // The default output is no choice of the user's: the folder chosen last time comes first.
  if ((path.empty() || path == m_view.DefaultOutputPath()) && !m_strOutputFolder.empty())
    path = JoinPath(m_strOutputFolder, NameOf(path));
  path = m_view.ChooseOutput(path);
  if (path.empty()) return;
  m_view.SetText(kIdOutput, path);
  m_strOutputFolder = FolderOf(path);
}

void CMainBehaviour::OnDelete() {
  m_view.Focus(kIdInputList);
  const int index = m_view.Selection(kIdInputList);
  if (index < 0 || index >= static_cast<int>(m_astrInputPaths.size())) return;
  m_astrInputPaths.erase(m_astrInputPaths.begin() + index);
  ShowList(std::min(index, static_cast<int>(m_astrInputPaths.size()) - 1));
}

void CMainBehaviour::OnMoveUp() {
  m_view.Focus(kIdInputList);
  const int s = m_view.Selection(kIdInputList);
  if (s <= 0 || s >= static_cast<int>(m_astrInputPaths.size())) return;
  std::swap(m_astrInputPaths[s - 1], m_astrInputPaths[s]);
  ShowList(s - 1);
}

void CMainBehaviour::OnMoveDown() {
  m_view.Focus(kIdInputList);
  const int s = m_view.Selection(kIdInputList);
  if (s < 0 || s + 1 >= static_cast<int>(m_astrInputPaths.size())) return;
  std::swap(m_astrInputPaths[s], m_astrInputPaths[s + 1]);
  ShowList(s + 1);
}

void CMainBehaviour::OnSelchangeList() {
  m_view.PreviewChanged();
}

void CMainBehaviour::OnEuc() {
  m_view.PreviewChanged();
}

void CMainBehaviour::OnOptions() {
  // Until the first OK, runs keep the defaults they had before the dialog was opened.
  if (!m_view.ShowOptions()) return;
  m_bOptionsOpened = true;
  m_view.PreviewChanged();
}

void CMainBehaviour::OnPreview() {
  m_view.ShowPreview();
}

void CMainBehaviour::OnAbout() {
  m_view.ShowAbout();
}

void CMainBehaviour::OnSelchangeSeparator() {
  const int index = m_view.Selection(kIdSeparator);
  if (index < 0) {
    m_bUserSeparator = true;
  } else {
    m_nSeparatorKind = index;
    if (index == 3) m_bUserSeparator = true;
  }
  m_strSeparatorShown = m_view.Text(kIdSeparator);
  m_view.PreviewChanged();
}

void CMainBehaviour::OnEditchangeSeparator() {
  // A text over the limit is refused whole: a cut one would match as a tag prefix.
  const std::string text = m_view.Text(kIdSeparator);
  if (FieldLength(text) > static_cast<std::size_t>(kSeparatorMaxLength)) {
    m_view.SetText(kIdSeparator, m_strSeparatorShown);
    platform::AfxMessageBox(kSeparatorTooLong);
    return;
  }
  m_strSeparatorShown = text;
  m_bUserSeparator = m_view.Selection(kIdSeparator) == -1;
  m_view.PreviewChanged();
}

void CMainBehaviour::OnStandard() {
  m_view.SetText(kIdSeparator, std::string());
  m_view.SetSelection(kIdSeparator, 0);
}

void CMainBehaviour::OnSpecifySeparator() {
  if (m_view.IsChecked(kIdSpecifySeparator)) {
    m_view.SetText(kIdSeparator, std::string());
  } else {
    m_view.SetSelection(kIdSeparator, 0);
  }
}

std::optional<OutlineJob> CMainBehaviour::PreviewJob() const {
  if (m_astrInputPaths.empty()) return std::nullopt;
  const int row = m_view.Selection(kIdInputList);
  const std::string& path =
      m_astrInputPaths[row >= 0 && row < static_cast<int>(m_astrInputPaths.size()) ? row : 0];
  OutlineJob job;
  job.strPath = path;
  job.nFileSize = FileSizeOf(path);
  job.nModified = ModifiedOf(path);
  job.strSeparator = m_view.Text(kIdSeparator);
  job.bEuc = m_view.IsChecked(kIdEuc) ? 1 : 0;
  job.bUserSeparator = m_bUserSeparator;
  job.nSeparatorKind = m_nSeparatorKind;
  // Until the options dialog has been opened, a run takes defaults that reverse and cut nothing.
  if (m_bOptionsOpened) job.options = m_view.OptionValues();
  return job;
}

}  // namespace behaviour
