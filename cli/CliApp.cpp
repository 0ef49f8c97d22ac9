#include "cli/CliApp.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/TestThresholds.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "platform/Encoding.h"
#include "platform/MessageBox.h"

namespace cli {
namespace {

constexpr int kUsageError = 2;
constexpr char kForceHint[] = "同名のファイルが存在します。上書きするには -f を指定してください";
constexpr char kCutsWithoutRange[] =
    "--lead-cut, --trail-cut と --keep-cut は --range で層を指定しないと効きません";
constexpr char kRangeWithoutCuts[] =
    "--range は --lead-cut か --trail-cut を指定しないと効きません";

// Settings as a run takes them when the options dialog was never opened, then the flags.
engine::COptionValues OptionsFrom(const CliOptions& o) {
  engine::COptionValues v;
  v.m_abyReverse = o.reverse;
  v.m_abyRange = o.range;
  v.m_abyReverseEdit = o.reverse;
  v.m_abyRangeEdit = o.range;
  v.m_bCutOutsideRange = o.keepCut ? 1 : 0;
  v.m_bOneFile = o.perFile ? 0 : 1;
  v.m_bSeparatorFirst = o.separatorFirst ? 1 : 0;
  v.m_nOrderRadio = v.m_bSeparatorFirst;
  v.m_nLeadCut = v.m_nLeadCutSel = o.leadCut;
  v.m_nTrailCut = v.m_nTrailCutSel = o.trailCut;
  v.m_bSimpleHeader = o.simpleHeader ? 1 : 0;
  v.m_bAppendSeparator = o.between == CliOptions::Between::kNone ? 0 : 1;
  v.m_nSeparatorStyle = o.between == CliOptions::Between::kNumbered ? 1 : 0;
  return v;
}

}  // namespace

int RunCli(int argc, char** argv, std::ostream& err, std::istream& in, bool bInteractive,
           int outFd) {
  CliOptions o;
  std::string error;
  if (!ParseCliOptions(argc, argv, o, error)) {
    err << "velmorant-cli: " << error << "\n" << CliUsage();
    return kUsageError;
  }
  if (o.help) {
    err << CliUsage();
    return 0;
  }
  if (o.version) {
    err << "velmorant-cli 1.32\n";
    return 0;
  }

  platform::ScopedMessageSink sink([&](const platform::Message& m) -> int {
    if (m.nType & platform::MB_YESNO) {
      if (o.force) return platform::IDYES;
      if (!bInteractive) {
        err << kForceHint << "\n";
        return platform::IDNO;
      }
      err << m.text << " [y/N] " << std::flush;
      std::string answer;
      std::getline(in, answer);
      return answer == "y" || answer == "Y" || answer == "yes" ? platform::IDYES : platform::IDNO;
    }
    if (!(m.bInformation && o.quiet)) err << m.text << "\n" << std::flush;
    return platform::IDOK;
  });

  // Options that change nothing are said to, so that a typo is not mistaken for a result.
  const bool bRange = std::any_of(o.range.begin(), o.range.end(), [](auto f) { return f != 0; });
  const bool bCuts = o.leadCut != 0 || o.trailCut != 0;
  if (!bRange && (bCuts || o.keepCut))
    platform::AfxMessageBox(kCutsWithoutRange, platform::MB_OK, true);
  if (bRange && !bCuts) platform::AfxMessageBox(kRangeWithoutCuts, platform::MB_OK, true);

  engine::RunInputs inputs;
  inputs.astrInputPaths = o.inputs;
  inputs.bEuc = o.euc ? 1 : 0;
  if (o.perFile) {
    inputs.target = engine::RunInputs::Target::kNone;
  } else if (!o.output || *o.output == "-") {
    inputs.target = engine::RunInputs::Target::kDescriptor;
    inputs.hOutput = outFd;
    inputs.strOutputPath.assign(1, '-');
  } else {
    inputs.strOutputPath = *o.output;
  }

  engine::CRunRequest request;
  request.m_nSeparatorKind = o.kind;
  request.m_bOptionsOpened = 1;
  if (o.separator) {
    request.m_bUserSeparator = 1;
    const auto sjis = platform::Utf8ToCp932(*o.separator);
    inputs.strSeparatorText = sjis.value_or(std::string());
    inputs.bSeparatorNotCp932 = sjis ? 0 : 1;
  }

  engine::CExecutor executor;
  ApplyTestThresholds(executor);
  return static_cast<int>(request.OnRun(inputs, OptionsFrom(o), executor));
}

}  // namespace cli
