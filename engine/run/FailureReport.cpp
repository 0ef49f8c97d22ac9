#include <algorithm>
#include <string>

#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "platform/MessageBox.h"

namespace engine {
namespace {

// A tag from the log as a message can show it: printable ASCII, at most 40 characters.
std::string Printable(const std::uint8_t* p, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < std::min<std::size_t>(n, 40); ++i)
    s += p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '?';
  return n > 40 ? s + "..." : s;
}

}  // namespace

void CExecutor::ReportSplitFailure(std::size_t i) const {
  const std::uint8_t* data = m_pFileData.get();
  const std::size_t pos = std::min(m_nFailurePos, m_nFileSize);
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(data, data + pos, '\n'));
  std::string reason;
  switch (m_nSplitFailure) {
    case kFailRead:
    case kFailLost:
      ShowReadError(m_readError);
      return;
    case kFailNoHtml:
      reason = msg::kNoHtmlTag;
      break;
    case kFailNoBody:
      reason = Format(msg::kNoBodyTag, line, pos);
      break;
    case kFailHtmlEndFirst:
      reason = Format(msg::kHtmlEndFirst, line, pos);
      break;
    case kFailStrayClose:
      reason = Format(msg::kStrayClose, Printable(data + pos, m_nFailureLength).c_str(), line, pos);
      break;
    case kFailNoMemory:
      reason = msg::kTreeNoMemory;
      break;
    default:
      reason = msg::kSearchFailed;
      break;
  }
  platform::AfxMessageBox(msg::kCannotSplit + reason + "\n" + msg::kFileLine + m_arrInputPaths[i]);
}

std::string CExecutor::StoppedInputLine() const {
  if (m_nStoppedAt >= m_nInputCount) return {};
  return std::string("\n") + msg::kFileLine + m_arrInputPaths[m_nStoppedAt];
}

std::string CExecutor::StopReport() const {
  std::string lines;
  std::string output =
      m_fdOutput != platform::kNoFileHandle ? msg::kStandardOutput : m_strOutputPath;
  if (!m_bOneFile) {
    if (m_nStoppedAt >= m_nInputCount) return lines;
    lines += std::string("\n") + msg::kStoppedInput + m_arrInputPaths[m_nStoppedAt];
    const std::size_t rest = m_nInputCount - m_nStoppedAt - 1;
    if (rest > 0) lines += "\n" + Format(msg::kInputsSkipped, rest);
    MakeOutputPath(output, m_arrInputPaths[m_nStoppedAt], m_strOutputDir);
  }
  // A failed run never puts a file in place: one that is there now was there before.
  const char* left = m_bOutputDirect                       ? msg::kOutputPartial
                     : platform::RegularFileExists(output) ? msg::kOutputUnchanged
                                                           : msg::kOutputNotMade;
  return lines + "\n" + left + output;
}

}  // namespace engine
