#include "cli/CliOptions.h"

#include <getopt.h>

#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace cli {
namespace {

bool ParseInt(std::string_view text, int lo, int hi, int& value) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) return false;
  value = v;
  return true;
}

std::optional<engine::EncodingChoice> ParseEncoding(std::string name) {
  using engine::EncodingChoice;
  using engine::TextEncoding;
  for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (name == "auto") return EncodingChoice::kAuto;
  const auto encoding = engine::EncodingOfOptionValue(name);
  if (!encoding) return std::nullopt;
  return *encoding == TextEncoding::kEucJp  ? EncodingChoice::kEucJp
         : *encoding == TextEncoding::kUtf8 ? EncodingChoice::kUtf8
                                            : EncodingChoice::kShiftJis;
}

// The options without a short name.
enum LongOnly : int {
  kPerFile = 256,
  kOutputDir,
  kFilesFrom,
  kNull,
  kEuc,
  kOutline,
  kEncoding,
  kRange,
  kLeadCut,
  kTrailCut,
  kKeepCut,
  kOrder,
  kBetween,
  kSimpleHeader,
  kProgress,
  kNoProgress,
  kVersion,
};

// Every option. "-": inputs come back in their place; ":": a missing value is told apart.
constexpr char kShortOptions[] = "-:o:k:s:r:fqh";
constexpr option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"per-file", no_argument, nullptr, kPerFile},
    {"output-dir", required_argument, nullptr, kOutputDir},
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"null", no_argument, nullptr, kNull},
    {"kind", required_argument, nullptr, 'k'},
    {"separator", required_argument, nullptr, 's'},
    {"encoding", required_argument, nullptr, kEncoding},
    {"euc", no_argument, nullptr, kEuc},
    {"outline", optional_argument, nullptr, kOutline},
    {"reverse", required_argument, nullptr, 'r'},
    {"range", required_argument, nullptr, kRange},
    {"lead-cut", required_argument, nullptr, kLeadCut},
    {"trail-cut", required_argument, nullptr, kTrailCut},
    {"keep-cut", no_argument, nullptr, kKeepCut},
    {"order", required_argument, nullptr, kOrder},
    {"between", required_argument, nullptr, kBetween},
    {"simple-header", no_argument, nullptr, kSimpleHeader},
    {"force", no_argument, nullptr, 'f'},
    {"quiet", no_argument, nullptr, 'q'},
    {"progress", no_argument, nullptr, kProgress},
    {"no-progress", no_argument, nullptr, kNoProgress},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

bool IsLongOption(const char* arg) {
  return arg[0] == '-' && arg[1] == '-' && arg[2] != '\0';
}

bool TakesNoValue(int c) {
  return c == 'f' || c == 'q' || c == 'h';
}

// getopt_long would take an abbreviation ("--out") and say its own words about a value
// given to a flag; here both are refused as they always were.
bool CheckLongName(const char* arg, std::string& error) {
  const std::string_view given(arg + 2, std::strcspn(arg + 2, "="));
  for (const option* opt = kLongOptions; opt->name != nullptr; ++opt) {
    if (given != opt->name) continue;
    if (opt->has_arg == no_argument && arg[2 + given.size()] == '=') {
      error = "option --" + std::string(given) + " takes no value";
      return false;
    }
    return true;
  }
  error = "unknown option --" + std::string(given);
  return false;
}

}  // namespace

const char* CliUsage() {
  return "Usage: velmorant-cli [OPTIONS] INPUT...\n"
         "Rewrites saved board logs: posts in reverse order, or in order with leading and\n"
         "trailing ones cut away, layer by layer, every other byte unchanged.\n"
         "\n"
         "  -o, --output PATH        one output file for all inputs ('-' or none: standard "
         "output)\n"
         "      --per-file           one output per input, named Rev_<input name>\n"
         "      --output-dir DIR     with --per-file: write DIR/Rev_<input name> instead\n"
         "      --files-from FILE    more input paths, one per line, after those given as\n"
         "                           arguments ('-': standard input)\n"
         "      --null               the --files-from list is separated by NUL bytes (find "
         "-print0)\n"
         "  -k, --kind N             separator kind: 0 <TABLE><TR><TD><HR> (default),\n"
         "                           1 <TABLE><TR><TD>, 2 <HR>, 3 user separator string only\n"
         "  -s, --separator TEXT     user separator string (with kinds 0-2 it adds to the tags)\n"
         "      --encoding NAME      the inputs' encoding: shift_jis (default; also sjis, cp932),\n"
         "                           euc-jp (also euc), utf-8 (also utf8), or auto (decided from\n"
         "                           the first input)\n"
         "      --euc                the same as --encoding euc-jp\n"
         "      --outline[=json]     write nothing: print how each input divides, as lines or "
         "JSON\n"
         "  -r, --reverse LAYERS     layers written in reverse order, e.g. 1 or 1,3 or 2-4\n"
         "      --range LAYERS       layers in which the cut counts apply\n"
         "      --lead-cut N         leading sections cut, 0-19\n"
         "      --trail-cut N        trailing sections cut, 0-19\n"
         "      --keep-cut           write cut sections unchanged in place instead of dropping "
         "them\n"
         "      --order separator|body  in reversed layers, write the separator or the text first\n"
         "      --between hr|numbered|none  text between files in one output\n"
         "      --simple-header      always write the fixed header\n"
         "  -f, --force              overwrite an existing output file without asking\n"
         "  -q, --quiet              no information messages and no progress line\n"
         "      --progress           show the progress line also when standard error is not a\n"
         "                           terminal (a line per update, for logs) and with -q\n"
         "      --no-progress        no progress line\n"
         "  -h, --help               this text\n"
         "      --version            the version\n"
         "\n"
         "On a terminal, a run that lasts over half a second shows on standard error one line,\n"
         "redrawn at most ten times a second: bytes and files done of the total, the rate, the\n"
         "time left and the file being converted. It is cleared before the closing messages.\n"
         "\n"
         "Exit status: 0 finished normally, 1 the run failed, 2 refused before the run.\n";
}

bool ParseLayers(const std::string& text, engine::LayerSet& flags) {
  std::string_view rest = text;
  if (rest.empty()) return false;
  while (true) {
    const auto comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const auto dash = item.find('-');
    int from = 0;
    int to = 0;
    if (dash == std::string_view::npos) {
      if (!ParseInt(item, 1, engine::kMaxLayer, from)) return false;
      to = from;
    } else if (!ParseInt(item.substr(0, dash), 1, engine::kMaxLayer, from) ||
               !ParseInt(item.substr(dash + 1), 1, engine::kMaxLayer, to) || to < from) {
      return false;
    }
    for (int l = from; l <= to; ++l) flags[l] = true;
    if (comma == std::string_view::npos) return true;
    rest = rest.substr(comma + 1);
  }
}

bool ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
  const std::string layersWhat = "layers (1 to " + std::to_string(engine::kMaxLayer) + ")";
  const std::string countWhat = "count (0 to " + std::to_string(engine::kMaxCut) + ")";
  optind = 0;  // a fresh parse, in glibc as in mingw-w64
  opterr = 0;  // the messages are ours
  for (;;) {
    const int at = optind == 0 ? 1 : optind;
    // A long option is taken only spelt in full, a flag only without a value.
    if (at < argc && IsLongOption(argv[at]) && !CheckLongName(argv[at], error)) return false;
    const int c = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (c == -1) break;
    if (c == 1) {  // an input, in its place among the options
      o.inputs.emplace_back(optarg);
      continue;
    }
    const bool bLong = at < argc && IsLongOption(argv[at]);
    const std::string name =
        bLong ? std::string(argv[at], std::strcspn(argv[at], "="))
              : "-" + std::string(1, static_cast<char>(c == '?' || c == ':' ? optopt : c));
    if (c == '?') {
      error = "unknown option " + name;
      return false;
    }
    if (c == ':') {
      error = "option " + name + " needs a value";
      return false;
    }
    // "-fq": a short flag with more letters after it in the same argument.
    if (!bLong && optind == at && TakesNoValue(c)) {
      error = "option " + name + " takes no value";
      return false;
    }
    const std::string v = optarg ? optarg : "";
    auto bad = [&](const std::string& what) {
      error = "invalid " + what + " for " + name + ": '" + v + "'";
      return false;
    };
    switch (c) {
      case 'o':
        o.output = v;
        break;
      case kPerFile:
        o.perFile = true;
        break;
      case kOutputDir:
        o.outputDir = v;
        break;
      case kFilesFrom:
        o.filesFrom = v;
        break;
      case kNull:
        o.null = true;
        break;
      case 'k':
        if (!ParseInt(v, 0, 3, o.kind)) return bad("kind (0 to 3)");
        break;
      case 's':
        o.separator = v;
        break;
      case kEuc:
        o.euc = true;
        break;
      case kOutline:
        if (!optarg || v == "text") {
          o.outline = CliOptions::Outline::kText;
        } else if (v == "json") {
          o.outline = CliOptions::Outline::kJson;
        } else {
          return bad("outline format (text or json)");
        }
        break;
      case kEncoding: {
        const auto encoding = ParseEncoding(v);
        if (!encoding) return bad("encoding (shift_jis, euc-jp, utf-8 or auto)");
        o.encoding = encoding;
        break;
      }
      case 'r':
        if (!ParseLayers(v, o.reverse)) return bad(layersWhat);
        break;
      case kRange:
        if (!ParseLayers(v, o.range)) return bad(layersWhat);
        break;
      case kLeadCut:
        if (!ParseInt(v, 0, engine::kMaxCut, o.leadCut)) return bad(countWhat);
        break;
      case kTrailCut:
        if (!ParseInt(v, 0, engine::kMaxCut, o.trailCut)) return bad(countWhat);
        break;
      case kKeepCut:
        o.keepCut = true;
        break;
      case kOrder:
        if (v == "separator") {
          o.separatorFirst = true;
        } else if (v == "body") {
          o.separatorFirst = false;
        } else {
          return bad("order (separator or body)");
        }
        break;
      case kBetween:
        if (v == "hr") {
          o.between = CliOptions::Between::kHr;
        } else if (v == "numbered") {
          o.between = CliOptions::Between::kNumbered;
        } else if (v == "none") {
          o.between = CliOptions::Between::kNone;
        } else {
          return bad("text (hr, numbered or none)");
        }
        break;
      case kSimpleHeader:
        o.simpleHeader = true;
        break;
      case 'f':
        o.force = true;
        break;
      case 'q':
        o.quiet = true;
        break;
      case kProgress:
        o.progress = CliOptions::Progress::kOn;
        break;
      case kNoProgress:
        o.progress = CliOptions::Progress::kOff;
        break;
      case 'h':
        o.help = true;
        break;
      case kVersion:
        o.version = true;
        break;
    }
  }
  // What follows "--" is input, whatever it looks like.
  for (int i = optind; i < argc; ++i) o.inputs.emplace_back(argv[i]);
  if (o.euc && o.encoding && *o.encoding != engine::EncodingChoice::kEucJp) {
    error = "--euc cannot be used with another --encoding";
    return false;
  }
  if (o.outline != CliOptions::Outline::kNone && (o.output || o.perFile)) {
    error = "--outline writes no file: it cannot be used with --output or --per-file";
    return false;
  }
  if (o.outputDir && !o.perFile) {
    error = "--output-dir needs --per-file";
    return false;
  }
  if (o.outputDir && o.outputDir->empty()) {
    error = "--output-dir needs a folder";
    return false;
  }
  if (o.null && !o.filesFrom) {
    error = "--null needs --files-from";
    return false;
  }
  if (o.perFile && o.output) {
    error = "--output cannot be used with --per-file";
    return false;
  }
  return true;
}

}  // namespace cli
