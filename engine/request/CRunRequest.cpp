#include "engine/request/CRunRequest.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/File.h"
#include "platform/MessageBox.h"

namespace engine {
namespace {

struct FileIdHash {
  std::size_t operator()(const platform::FileId& id) const {
    return std::hash<std::uint64_t>()(id.ino) ^ (std::hash<std::uint64_t>()(id.dev) << 1);
  }
};

void Show(const std::string& text) {
  platform::AfxMessageBox(text);
}

}  // namespace

COptionValues OutlineOptions(COptionValues o) {
  if (o.m_abyReverse.none() && o.m_abyRange.none()) {
    for (int layer = 1; layer <= kMaxLayer; ++layer) o.m_abyRange[layer] = true;
    o.m_nLeadCut = o.m_nTrailCut = 0;
  }
  return o;
}

int CRunRequest::RegisterSearchKeys(CExecutor& executor) const {
  return RegisterSeparatorGrammar(executor.m_searcher, executor.m_strSeparator);
}

void CRunRequest::SelectStartMode(CExecutor& executor) const {
  executor.m_nStartMode = StartModeFor(m_bUserSeparator, m_nSeparatorKind);
}

int CRunRequest::CheckAutoClose(const std::string& separator) {
  if (separator.empty()) return -1;
  const char* text = nullptr;
  switch (DecideAutoClose(separator)) {
    case AutoCloseDecision::kNoOpen:
      m_bAutoClose = false;
      text = msg::kNoOpenBracket;
      break;
    case AutoCloseDecision::kOpenNoClose:
      m_bAutoClose = true;
      text = msg::kOpenWithoutClose;
      break;
    case AutoCloseDecision::kOpenAfterClose:
      m_bAutoClose = false;
      text = msg::kOpenAfterClose;
      break;
    case AutoCloseDecision::kBoth:
      m_bAutoClose = false;
      text = msg::kBothBrackets;
      break;
  }
  platform::AfxMessageBox(text, platform::kMbOk, true);
  return 0;
}

void CRunRequest::HandOverOptions(const COptionValues& o, CExecutor& ex) const {
  if (m_bOptionsOpened) {
    ex.m_bSimpleHeader = o.m_bSimpleHeader;
    if (o.m_bAppendSeparator) {
      ex.m_bAppendSeparator = true;
      ex.m_nSeparatorStyle = o.m_nSeparatorStyle;
    } else {
      ex.m_bAppendSeparator = false;
    }
    ex.m_nTrailCut = o.m_nTrailCut;
    ex.m_nLeadCut = o.m_nLeadCut;
    ex.m_bSeparatorFirst = o.m_bSeparatorFirst;
    ex.m_bOneFile = o.m_bOneFile;
    ex.m_bCutOutsideRange = o.m_bCutOutsideRange;
    ex.m_byLayerLimit = 0;
    for (int layer = 1; layer <= kMaxLayer; ++layer) {
      ex.m_abyReverse[layer] = o.m_abyReverse[layer];
      ex.m_abyRange[layer] = o.m_abyRange[layer];
      if (o.m_abyReverse[layer] || o.m_abyRange[layer]) {
        ex.m_byLayerLimit = static_cast<std::uint8_t>(layer);
      }
    }
  } else {
    ex.m_bAppendSeparator = true;
    ex.m_nLeadCut = 0;
    ex.m_nTrailCut = 0;
    ex.m_bSimpleHeader = false;
    ex.m_bCutOutsideRange = false;
    ex.m_bSeparatorFirst = true;
    ex.m_bOneFile = true;
  }
}

// The output must never be an input: compared byte for byte and as the same file, so that
// another spelling or a link cannot empty an input before it is read. In per-file output
// the same holds for every "Rev_" name.
bool CRunRequest::CheckCollisions(const RunInputs& in, const COptionValues& options) const {
  std::unordered_set<std::string> names(in.astrInputPaths.begin(), in.astrInputPaths.end());
  std::unordered_set<platform::FileId, FileIdHash> ids;
  for (const std::string& p : in.astrInputPaths) {
    platform::FileId id;
    if (platform::GetFileId(p, &id)) ids.insert(id);
  }
  auto collides = [&](const std::string& path) {
    platform::FileId id;
    return names.count(path) != 0 || (platform::GetFileId(path, &id) && ids.count(id) != 0);
  };

  if (in.target == RunInputs::Target::kPath) {
    if (collides(in.strOutputPath)) {
      Show(std::string(msg::kCollision) + "\n" + msg::kFileLine + in.strOutputPath);
      return false;
    }
  } else if (in.target == RunInputs::Target::kDescriptor) {
    platform::FileId id;
    if (platform::GetFileId(in.fdOutput, &id) && ids.count(id) != 0) {
      Show(std::string(msg::kCollision) + "\n" + msg::kFileLine + msg::kStandardOutput);
      return false;
    }
  }

  const bool bOneFile = !m_bOptionsOpened || options.m_bOneFile;
  if (!bOneFile) {
    // Two inputs must not write one "Rev_" file (an input listed twice writes it twice).
    std::unordered_map<std::string, const std::string*> writers;
    std::string rev;
    for (const std::string& p : in.astrInputPaths) {
      CExecutor::MakeOutputPath(rev, p, in.strOutputDir);
      if (collides(rev)) {
        Show(std::string(msg::kCollision) + "\n" + msg::kFileLine + rev);
        return false;
      }
      const auto [it, bNew] = writers.emplace(rev, &p);
      if (!bNew && *it->second != p && !platform::IsSameFile(*it->second, p)) {
        Show(std::string(msg::kSameOutput) + "\n" + msg::kFileLine + *it->second + "\n" +
             msg::kFileLine + p + "\n" + msg::kOutputLine + rev);
        return false;
      }
    }
  }
  return true;
}

// Existing outputs are replaced only when the user agrees: asked once, for the one output
// file or for all "Rev_" files that exist (in per-file output, with their number and names).
// The others are new, and stay so: the run never replaces a file someone else gives one of
// their names meanwhile.
bool CRunRequest::CheckExistingOutputs(const RunInputs& in, const COptionValues& options,
                                       CExecutor& executor) const {
  const bool bPerFile = m_bOptionsOpened && !options.m_bOneFile;
  std::vector<std::string> outputs;
  if (bPerFile) {
    for (const std::string& p : in.astrInputPaths) {
      CExecutor::MakeOutputPath(outputs.emplace_back(), p, in.strOutputDir);
    }
  } else if (in.target == RunInputs::Target::kPath) {
    outputs.push_back(in.strOutputPath);
  }
  executor.m_setNewOutputs.clear();
  std::vector<std::string> existing;
  for (const std::string& path : outputs) {
    if (platform::RegularFileExists(path)) {
      if (std::find(existing.begin(), existing.end(), path) == existing.end())
        existing.push_back(path);
    } else if (!in.bForce) {
      executor.m_setNewOutputs.insert(path);
    }
  }
  if (existing.empty() || in.bForce) return true;
  std::string text = msg::kOverwrite;
  if (bPerFile) {
    constexpr std::size_t kNamed = 10;  // a box, or a terminal line, stays readable
    text = Format(msg::kOverwriteSome, existing.size());
    for (std::size_t i = 0; i < existing.size() && i < kNamed; ++i)
      text += std::string("\n") + msg::kFileLine + existing[i];
    if (existing.size() > kNamed) text += "\n" + Format(msg::kMoreFiles, existing.size() - kNamed);
  }
  const unsigned type = platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2;
  return platform::AfxMessageBox(text, type) == platform::kIdYes;
}

RequestOutcome CRunRequest::OnRun(const RunInputs& in, const COptionValues& options,
                                  CExecutor& executor) {
  if (!Prepare(in, options, executor)) return RequestOutcome::kRefused;
  return Finish(Execute(executor), executor);
}

bool CRunRequest::Prepare(const RunInputs& in, const COptionValues& options, CExecutor& executor) {
  executor.ResetRun();
  const bool bPath = in.target == RunInputs::Target::kPath;

  if (in.astrInputPaths.empty()) {
    Show(msg::kNoInput);
    return false;
  }
  if (bPath && in.strOutputPath.empty()) {
    Show(msg::kNoOutput);
    return false;
  }
  std::string separator;
  if (!CheckSeparator(in, separator)) return false;
  if (!CheckCollisions(in, options)) return false;

  // A folder cannot be replaced by a file; asking to overwrite it would mislead.
  if (bPath && platform::IsFolder(in.strOutputPath)) {
    Show(std::string(msg::kOutputIsFolder) + "\n" + msg::kFileLine + in.strOutputPath);
    return false;
  }
  if (!CheckExistingOutputs(in, options, executor)) return false;

  executor.m_strOutputPath = in.strOutputPath;
  executor.m_fdOutput =
      in.target == RunInputs::Target::kDescriptor ? in.fdOutput : platform::kNoFileHandle;
  return Configure(in, options, separator, executor);
}

bool CRunRequest::PrepareOutline(const RunInputs& in, const COptionValues& options,
                                 CExecutor& executor) {
  executor.ResetRun();
  if (in.astrInputPaths.empty()) {
    Show(msg::kNoInput);
    return false;
  }
  std::string separator;
  return CheckSeparator(in, separator) && Configure(in, options, separator, executor);
}

// The separator field: refused when it is needed and empty or has no form in the run's
// encoding; otherwise the [<]/[>] decision on it, with its message.
bool CRunRequest::CheckSeparator(const RunInputs& in, std::string& separator) {
  if (m_bUserSeparator) {
    separator = in.strSeparatorText;
    if (separator.empty() && !in.bSeparatorNotCp932) {
      Show(msg::kNoSeparator);
      return false;
    }
    if (in.bSeparatorNotCp932) {
      Show(msg::kSeparatorNotCp932);
      return false;
    }
    if (in.encoding == TextEncoding::kUtf8 && !IsValidUtf8(separator)) {
      Show(msg::kSeparatorNotUtf8);
      return false;
    }
    CheckAutoClose(separator);
  } else if (m_nSeparatorKind < 0 || m_nSeparatorKind > 2) {
    // The kind "user separator string only" without a string would search for nothing.
    Show(msg::kNoSeparator);
    return false;
  }
  return true;
}

// The run settings, the search keys and the input list.
bool CRunRequest::Configure(const RunInputs& in, const COptionValues& options,
                            const std::string& separator, CExecutor& executor) {
  executor.m_strSeparator = separator;
  executor.m_strOutputDir = in.strOutputDir;
  executor.m_pAbortFlag = &m_nAbort;
  m_nAbort.store(0);
  if (RegisterSearchKeys(executor) != 0) {
    Show(msg::kRegisterFailed);
    return false;
  }
  executor.m_bAutoClose = m_bAutoClose;
  executor.m_bEuc = in.encoding == TextEncoding::kEucJp;
  executor.m_bUtf8 = in.encoding == TextEncoding::kUtf8;
  HandOverOptions(options, executor);
  SelectStartMode(executor);
  return executor.SetInputFiles(in.astrInputPaths) == 0;
}

int CRunRequest::Execute(CExecutor& executor) {
  int result;
  try {
    result = executor.Run();
  } catch (const std::exception& e) {
    Show(std::string(msg::kUnexpected) + e.what() + executor.StoppedInputLine());
    result = -1;
  } catch (const platform::CFileException& e) {
    ShowFileError(e);
    result = -1;
  } catch (...) {
    Show(msg::kUnexpected + executor.StoppedInputLine());
    result = -1;
  }
  executor.CloseFiles();
  return result;
}

RequestOutcome CRunRequest::Finish(int result, CExecutor& executor) {
  // Titled as the end of the run: the program goes on.
  if (result == 0) {
    platform::AfxMessageBox(msg::kNormalEnd, platform::kMbOk, true, msg::kRunEndTitle);
    return RequestOutcome::kSucceeded;
  }
  const bool bStopped = executor.Stopped();
  platform::AfxMessageBox((bStopped ? msg::kStopped : msg::kErrorEnd) + executor.StopReport(),
                          bStopped ? platform::kMbIconInformation : platform::kMbIconError, false,
                          msg::kRunEndTitle);
  return RequestOutcome::kFailed;
}

}  // namespace engine
