#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/request/COptionValues.h"
#include "engine/run/TextEncoding.h"
#include "platform/File.h"

namespace engine {

class CExecutor;

// What a front end read from its controls for one run.
struct RunInputs {
  std::vector<std::string> astrInputPaths;  // in list order
  std::string strOutputPath;                // as typed
  // Where one-file output goes: the typed path, an open file (standard output of the command
  // line: no output-name checks), or nowhere (per-file output of the command line).
  enum class Target { kPath, kDescriptor, kNone } target = Target::kPath;
  platform::FileHandle fdOutput = platform::kNoFileHandle;  // the file for Target::kDescriptor
  std::string strOutputDir;      // per-file output into this folder; empty: beside each input
  std::string strSeparatorText;  // the separator field, in the run's encoding
  // The field held a character without a Shift_JIS (code page 932) form; refused at the
  // separator check, in its place among the checks.
  bool bSeparatorNotCp932 = false;
  // In UTF-8 the separator field holds UTF-8 bytes, and a field that is not well-formed
  // UTF-8 is refused at the separator check.
  TextEncoding encoding = TextEncoding::kShiftJis;
  // Existing outputs are replaced without asking, and so are ones someone else makes
  // while the run goes on (the command line's -f).
  bool bForce = false;
};

// The options an outline is made with: those given, or, when they reverse and range no
// layer, every layer divided and written in order, so that the structure can be looked at
// before choosing what to reverse or cut.
COptionValues OutlineOptions(COptionValues options);

// How a request ended; the values are the command line's exit statuses.
enum class RequestOutcome : int {
  kSucceeded = 0,  // the run finished normally
  kFailed = 1,     // the run started and failed
  kRefused = 2,    // stopped before anything was opened (a check, or the overwrite declined)
};

// The run request: checks the inputs in their fixed order, fills the executor's run
// settings and runs it. Both front ends use it; each keeps one for its whole life, so the
// separator choice and the last [<]/[>] decision persist between runs.
class CRunRequest {
 public:
  bool m_bAutoClose = false;
  bool m_bUserSeparator = false;
  int m_nSeparatorKind = 0;
  bool m_bOptionsOpened = false;
  std::atomic<int> m_nAbort{0};  // 1 stops the run; another thread may set it

  // The whole request on the caller's thread: Prepare, Execute, Finish.
  RequestOutcome OnRun(const RunInputs& inputs, const COptionValues& options, CExecutor& executor);
  // The checks in their order (with their messages and the overwrite question) and the run
  // settings; false when the request stops there.
  bool Prepare(const RunInputs& inputs, const COptionValues& options, CExecutor& executor);
  // The checks and settings an outline needs: the inputs and the separator, no output.
  bool PrepareOutline(const RunInputs& inputs, const COptionValues& options, CExecutor& executor);
  // The run itself, which may go on another thread: it shows only the engine's messages,
  // and reads nothing of this object but the abort flag. Returns the run's result.
  int Execute(CExecutor& executor);
  // The closing message for a run's result.
  RequestOutcome Finish(int result, CExecutor& executor);

  int RegisterSearchKeys(CExecutor& executor) const;
  void SelectStartMode(CExecutor& executor) const;
  int CheckAutoClose(const std::string& separator);
  void HandOverOptions(const COptionValues& options, CExecutor& executor) const;

 private:
  bool CheckCollisions(const RunInputs& inputs, const COptionValues& options) const;
  bool CheckExistingOutputs(const RunInputs& inputs, const COptionValues& options,
                            CExecutor& executor) const;
  bool CheckSeparator(const RunInputs& inputs, std::string& separator);
  bool Configure(const RunInputs& inputs, const COptionValues& options,
                 const std::string& separator, CExecutor& executor);
};

}  // namespace engine
