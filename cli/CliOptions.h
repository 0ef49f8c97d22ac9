#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/request/COptionValues.h"
#include "engine/request/RunEncoding.h"

namespace cli {

// The command line, parsed but not yet checked against the files.
struct CliOptions {
  std::vector<std::string> inputs;
  std::optional<std::string> output;  // -o; "-" is standard output
  bool perFile = false;
  std::optional<std::string> outputDir;  // --output-dir: where per-file outputs go
  std::optional<std::string> filesFrom;  // --files-from: more input paths ("-": stdin)
  bool null = false;                     // --null: that list is NUL-separated
  int kind = 0;
  std::optional<std::string> separator;  // -s, as typed (UTF-8)
  bool euc = false;
  // --encoding; nothing: Shift_JIS, or EUC-JP with --euc.
  std::optional<engine::EncodingChoice> encoding;
  // --outline: print each input's section tree instead of converting.
  enum class Outline { kNone, kText, kJson } outline = Outline::kNone;
  engine::LayerSet reverse;
  engine::LayerSet range;
  int leadCut = 0;
  int trailCut = 0;
  bool keepCut = false;
  bool separatorFirst = true;
  enum class Between { kHr, kNumbered, kNone } between = Between::kHr;
  bool simpleHeader = false;
  bool force = false;
  bool quiet = false;
  // --progress, --no-progress; kAuto: on a terminal, unless -q.
  enum class Progress { kAuto, kOn, kOff } progress = Progress::kAuto;
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; on a usage error returns false and sets `error`.
bool ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);

// Parses a layer list such as "1", "1,3" or "2-4" into flags; false when malformed.
bool ParseLayers(const std::string& text, engine::LayerSet& flags);

const char* CliUsage();

}  // namespace cli
