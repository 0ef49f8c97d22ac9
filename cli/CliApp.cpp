#include "cli/CliApp.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/InputList.h"
#include "cli/OutlinePrinter.h"
#include "cli/ProgressReporter.h"
#include "cli/TestThresholds.h"
#include "engine/Messages.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "engine/run/TextEncoding.h"
#include "platform/Console.h"
#include "platform/Encoding.h"
#include "platform/File.h"
#include "platform/MessageBox.h"

namespace cli {
namespace {

constexpr int kUsageError = 2;
constexpr char kForceHint[] = "同名のファイルが存在します。上書きするには -f を指定してください";
constexpr char kNoOutputFolder[] = "--output-dir のフォルダーがありません";
constexpr char kCutsWithoutRange[] =
    "--lead-cut, --trail-cut と --keep-cut は --range で層を指定しないと効きません";
constexpr char kRangeWithoutCuts[] =
    "--range は --lead-cut か --trail-cut を指定しないと効きません";

// Settings as a run takes them when the options dialog was never opened, then the flags.
engine::COptionValues OptionsFrom(const CliOptions& o) {
  engine::COptionValues v;
  v.m_abyReverse = o.reverse;
  v.m_abyRange = o.range;
  v.m_bCutOutsideRange = o.keepCut;
  v.m_bOneFile = !o.perFile;
  v.m_bSeparatorFirst = o.separatorFirst;
  v.m_nLeadCut = o.leadCut;
  v.m_nTrailCut = o.trailCut;
  v.m_bSimpleHeader = o.simpleHeader;
  v.m_bAppendSeparator = o.between != CliOptions::Between::kNone;
  v.m_nSeparatorStyle = o.between == CliOptions::Between::kNumbered ? 1 : 0;
  return v;
}

// On a terminal the line is drawn in place, unless the output itself is written there;
// elsewhere only --progress shows it, a line per update.
ProgressReporter::Mode ProgressModeOf(const CliOptions& o, bool bOutputOnTerminal) {
  using P = CliOptions::Progress;
  if (o.progress == P::kOff || (o.progress == P::kAuto && o.quiet)) {
    return ProgressReporter::Mode::kOff;
  }
  if (platform::MessageStreamIsTerminal()) {
    return o.progress == P::kAuto && bOutputOnTerminal ? ProgressReporter::Mode::kOff
                                                       : ProgressReporter::Mode::kInPlace;
  }
  return o.progress == P::kOn ? ProgressReporter::Mode::kLines : ProgressReporter::Mode::kOff;
}

// True when `path` is the file or stream that `fd` already writes to (/dev/stdout,
// /proc/self/fd/1, or the file standard output was redirected to, on Windows too): it is
// written through `fd`, so that what the shell wrote before and after stays, and ">>" still
// appends.
bool IsStream(const std::string& path, platform::FileHandle fd) {
  platform::FileId atPath, atFd;
  return platform::GetFileId(path, &atPath) && platform::GetFileId(fd, &atFd) && atPath == atFd;
}

// Splits the inputs as the run would, writes nothing, and prints their trees to `outFd`.
int PrintOutline(const CliOptions& o, engine::RunInputs& inputs, engine::CRunRequest& request,
                 engine::CExecutor& executor, platform::FileHandle outFd) {
  const engine::COptionValues options = engine::OutlineOptions(OptionsFrom(o));
  inputs.target = engine::RunInputs::Target::kNone;
  if (!request.PrepareOutline(inputs, options, executor)) return kUsageError;

  const bool bJson = o.outline == CliOptions::Outline::kJson;
  platform::CFile out;
  out.Attach(outFd, msg::kStandardOutput);
  auto write = [&](const std::string& text) { out.Write(text.data(), text.size()); };
  try {
    // One JSON document, {"inputs": [...]}, with each input's object on a line of its own
    // as soon as it is split: no input waits for the others in memory.
    if (bJson) write("{\"inputs\": [\n");
    // What a printer hands on goes out at once: an input's last lines come before a message
    // about it on standard error.
    const OutlineSink sink = [&](const std::string& text) {
      write(text);
      out.Flush();
    };
    TextOutlinePrinter text(sink);
    JsonOutlinePrinter json(sink);
    const int result = bJson ? executor.Outline(json) : executor.Outline(text);
    if (bJson) write("\n]}\n");
    out.Close();
    return result == 0 ? 0 : 1;
  } catch (const platform::CFileException& e) {
    engine::ShowWriteError(e);
    return 1;
  }
}

}  // namespace

int RunCli(int argc, char** argv, std::ostream& err, std::istream& in, bool bInteractive,
           platform::FileHandle outFd) {
  CliOptions o;
  std::string error;
  if (!ParseCliOptions(argc, argv, o, error)) {
    err << "velmorant-cli: " << error << "\n" << CliUsage();
    return kUsageError;
  }
  ProgressReporter progress(err);
  platform::ScopedMessageSink sink([&](const platform::Message& m) -> int {
    const bool bQuestion = (m.nType & platform::kMbYesNo) != 0;
    if (m.bInformation && o.quiet && !bQuestion) return platform::kIdOk;
    const auto paused = progress.Pause();  // a message written takes the line's place
    if (bQuestion) {
      if (!bInteractive) {
        // The question's own lines name the files; a one-file output is named here.
        const auto lines = m.text.find('\n');
        err << kForceHint
            << (lines != std::string::npos ? m.text.substr(lines)
                : o.output                 ? "\n" + std::string(msg::kFileLine) + *o.output
                                           : std::string())
            << "\n";
        return platform::kIdNo;
      }
      err << m.text << " [y/N] " << std::flush;
      std::string answer;
      std::getline(in, answer);
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();  // a Windows console's line
      return answer == "y" || answer == "Y" || answer == "yes" ? platform::kIdYes : platform::kIdNo;
    }
    err << m.text << "\n" << std::flush;
    return platform::kIdOk;
  });

  if (o.help || o.version) {
    // On standard output, where help2man and pagers look for them.
    const std::string text = o.help ? CliUsage() : "velmorant-cli " VELMORANT_VERSION "\n";
    platform::CFile out;
    out.Attach(outFd, msg::kStandardOutput);
    try {
      out.Write(text.data(), text.size());
      out.Close();
    } catch (const platform::CFileException& e) {
      engine::ShowWriteError(e);
      return 1;
    }
    return 0;
  }

  if (o.filesFrom) {
    if (const auto fault = ReadInputList(*o.filesFrom, o.null, in, o.inputs)) {
      platform::AfxMessageBox(*fault);
      return kUsageError;
    }
  }
  if (o.outputDir && !platform::IsFolder(*o.outputDir)) {
    platform::AfxMessageBox(std::string(kNoOutputFolder) + "\n" + msg::kFileLine + *o.outputDir);
    return kUsageError;
  }

  // Options that change nothing are said to, so that a typo is not mistaken for a result.
  const bool bRange = o.range.any();
  const bool bCuts = o.leadCut != 0 || o.trailCut != 0;
  if (!bRange && (bCuts || o.keepCut))
    platform::AfxMessageBox(kCutsWithoutRange, platform::kMbOk, true);
  const bool bOutline = o.outline != CliOptions::Outline::kNone;
  if (bRange && !bCuts && !bOutline) {
    platform::AfxMessageBox(kRangeWithoutCuts, platform::kMbOk, true);
  }

  // The run's encoding; "auto" is decided here, once, from the first input.
  using engine::EncodingChoice;
  using engine::TextEncoding;
  engine::EncodingRequest asked;
  asked.choice = o.encoding.value_or(o.euc ? EncodingChoice::kEucJp : EncodingChoice::kShiftJis);
  asked.separator = o.separator;
  if (asked.choice == EncodingChoice::kAuto && !o.inputs.empty())
    asked.firstInput = engine::DetectFileEncoding(o.inputs[0]);

  engine::RunInputs inputs;
  inputs.astrInputPaths = o.inputs;
  const TextEncoding encoding = engine::ApplyEncoding(inputs, asked);
  inputs.bForce = o.force;
  if (o.perFile) {
    inputs.target = engine::RunInputs::Target::kNone;
    inputs.strOutputDir = o.outputDir.value_or(std::string());
  } else if (!o.output || *o.output == "-" || IsStream(*o.output, outFd)) {
    inputs.target = engine::RunInputs::Target::kDescriptor;
    inputs.fdOutput = outFd;
    inputs.strOutputPath.assign(1, '-');
  } else {
    inputs.strOutputPath = *o.output;
  }

  engine::CRunRequest request;
  // Ctrl-C in a Windows console stops the run as the desktop program's stop does.
  const platform::ScopedConsoleInterrupt interrupt(request.m_nAbort);
  request.m_nSeparatorKind = o.kind;
  request.m_bOptionsOpened = true;
  if (o.separator) request.m_bUserSeparator = true;

  engine::CExecutor executor;
  ApplyTestThresholds(executor);
  // An input whose bytes say it is in another encoding is pointed out before anyone opens
  // the output; the run goes on as asked.
  if (!o.quiet) {
    executor.m_onEncodingMismatch = [&](const std::string& path, TextEncoding looksLike) {
      std::string text = engine::LooksLikeText(path, looksLike);
      if (asked.choice == EncodingChoice::kAuto) {
        text += "が、最初の入力に合わせて " + std::string(engine::EncodingName(encoding)) +
                " として変換します";
      } else {
        text += "。--encoding " + std::string(engine::EncodingOptionName(looksLike)) +
                " を試してください";
      }
      platform::AfxMessageBox(text, platform::kMbOk, true);
    };
  }
  if (bOutline) return PrintOutline(o, inputs, request, executor, outFd);
  if (!request.Prepare(inputs, OptionsFrom(o), executor)) return kUsageError;
  const bool bOutputOnTerminal =
      inputs.target == engine::RunInputs::Target::kDescriptor && platform::IsTerminal(outFd);
  progress.Start(ProgressModeOf(o, bOutputOnTerminal), ProgressAfter(), executor,
                 inputs.astrInputPaths);
  const int result = request.Execute(executor);
  progress.Stop();
  return static_cast<int>(request.Finish(result, executor));
}

}  // namespace cli
