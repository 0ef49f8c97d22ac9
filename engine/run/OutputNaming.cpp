#include <optional>

#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "platform/MessageBox.h"

namespace engine {
namespace {

// True when `path` is the output of an earlier input of the list, written by this run (the
// same input listed again under another spelling).
bool MadeEarlier(const std::vector<std::string>& inputs, std::size_t i, const std::string& folder,
                 const std::string& path) {
  platform::FileId id, earlier;
  if (!platform::GetFileId(path, &id)) return false;
  std::string rev;
  for (std::size_t j = 0; j < i; ++j) {
    CExecutor::MakeOutputPath(rev, inputs[j], folder);
    if (platform::GetFileId(rev, &earlier) && earlier == id) return true;
  }
  return false;
}

}  // namespace

void CExecutor::MakeOutputPath(std::string& out, const std::string& inputPath,
                               const std::string& folder) {
  // Paths are UTF-8 here, where no byte of a multibyte character is a separator.
  const std::size_t k = platform::FileNameStart(inputPath);
  if (folder.empty()) {
    out = inputPath.substr(0, k) + "Rev_" + inputPath.substr(k);
  } else {
    const bool bEndsInSeparator = platform::FileNameStart(folder) == folder.size();
    out = folder + (bEndsInSeparator ? "" : "/") + "Rev_" + inputPath.substr(k);
  }
}

int CExecutor::OpenOutputFile(std::size_t i) {
  if (!m_bOneFile) MakeOutputPath(m_strOutputPath, m_arrInputPaths[i], m_strOutputDir);
  m_bOutputDirect = false;
  if (m_bOneFile && m_fdOutput != platform::kNoFileHandle) {
    m_fileOut.Attach(m_fdOutput, msg::kStandardOutput);
    m_bOutputOpen = true;
    m_bOutputDirect = true;
    return 0;
  }
  // A regular file is replaced only when its new content is complete: a failed or
  // interrupted run leaves the old one as it was.
  platform::CFileException e;
  unsigned flags = platform::CFile::modeCreate | platform::CFile::modeWrite |

                   platform::CFile::modeReplace;
  // Once only: an input listed twice writes its "Rev_" file twice.
  if (m_setNewOutputs.erase(m_strOutputPath) != 0 &&
      !MadeEarlier(m_arrInputPaths, i, m_strOutputDir, m_strOutputPath)) {
    flags |= platform::CFile::modeNoReplace;
  }
  if (!m_fileOut.Open(m_strOutputPath, flags, &e)) {
    m_bOutputOpen = false;
    ShowFileError(e);
    return -1;
  }
  // Said once, before the run writes: it goes on, with the file as open to others as before
  // or less.
  if (!m_fileOut.GetLostAttributes().empty()) {
    platform::AfxMessageBox(std::string(msg::kAttributesLost) + "\n" + msg::kLostLine +
                            m_fileOut.GetLostAttributes() + "\n" + msg::kFileLine +
                            m_strOutputPath);
  }
  m_bOutputOpen = true;
  m_bOutputDirect = m_fileOut.IsReplacing() ? 0 : 1;
  return 0;
}

// The written bytes reach the file first; then, once the gate lets the run pass and unless it
// was stopped meanwhile, the file is put in place. A stopped run leaves the output open for
// CloseFiles, which drops it.
int CExecutor::CommitOutput() {
  std::optional<platform::CFileException> error;
  bool bStopped = false;
  try {
    m_fileOut.Flush();
    m_commitGate.Enter();
    struct Leave {
      CCommitGate& gate;
      ~Leave() { gate.Leave(); }
    } leave{m_commitGate};
    bStopped = m_pAbortFlag != nullptr && m_pAbortFlag->load() == 1;
    if (!bStopped) {
      m_bOutputOpen = false;
      m_fileOut.Close();
    }
  } catch (const platform::CFileException& e) {
    error = e;
  }
  if (bStopped) {
    m_bStopped = true;
    return -1;
  }
  if (error) {
    ShowWriteError(*error);  // the last bytes never reached the file, or it was not put in place
    return -1;
  }
  return 0;
}

}  // namespace engine
