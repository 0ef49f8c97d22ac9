#include "cli/CliOptions.h"

#include <charconv>
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
         "  -q, --quiet              no information messages\n"
         "  -h, --help               this text\n"
         "      --version            the version\n"
         "\n"
         "Exit status: 0 finished normally, 1 the run failed, 2 refused before the run.\n";
}

bool ParseLayers(const std::string& text, std::array<std::uint8_t, 16>& flags) {
  std::string_view rest = text;
  if (rest.empty()) return false;
  while (true) {
    const auto comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const auto dash = item.find('-');
    int from = 0;
    int to = 0;
    if (dash == std::string_view::npos) {
      if (!ParseInt(item, 1, 15, from)) return false;
      to = from;
    } else if (!ParseInt(item.substr(0, dash), 1, 15, from) ||
               !ParseInt(item.substr(dash + 1), 1, 15, to) || to < from) {
      return false;
    }
    for (int l = from; l <= to; ++l) flags[l] = 1;
    if (comma == std::string_view::npos) return true;
    rest = rest.substr(comma + 1);
  }
}

bool ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
  bool bOptionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
      o.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      bOptionsEnded = true;
      continue;
    }
    // Split "--name=value" and "-xVALUE".
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
    } else if (arg.size() > 2) {
      name = arg.substr(0, 2);
      inlineValue = arg.substr(2);
    }
    auto value = [&](std::string& out) {
      if (inlineValue) {
        out = *inlineValue;
        return true;
      }
      if (i + 1 >= argc) {
        error = "option " + name + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto flag = [&](bool& out) {
      if (inlineValue) {
        error = "option " + name + " takes no value";
        return false;
      }
      out = true;
      return true;
    };
    std::string v;
    auto bad = [&](const char* what) {
      error = "invalid " + std::string(what) + " for " + name + ": '" + v + "'";
      return false;
    };

    if (name == "-o" || name == "--output") {
      if (!value(v)) return false;
      o.output = v;
    } else if (name == "--per-file") {
      if (!flag(o.perFile)) return false;
    } else if (name == "--output-dir") {
      if (!value(v)) return false;
      o.outputDir = v;
    } else if (name == "--files-from") {
      if (!value(v)) return false;
      o.filesFrom = v;
    } else if (name == "--null") {
      if (!flag(o.null)) return false;
    } else if (name == "-k" || name == "--kind") {
      if (!value(v)) return false;
      if (!ParseInt(v, 0, 3, o.kind)) return bad("kind (0 to 3)");
    } else if (name == "-s" || name == "--separator") {
      if (!value(v)) return false;
      o.separator = v;
    } else if (name == "--euc") {
      if (!flag(o.euc)) return false;
    } else if (name == "--outline") {
      v = inlineValue.value_or("text");
      if (v == "text") {
        o.outline = CliOptions::Outline::kText;
      } else if (v == "json") {
        o.outline = CliOptions::Outline::kJson;
      } else {
        return bad("outline format (text or json)");
      }
    } else if (name == "--encoding") {
      if (!value(v)) return false;
      const auto encoding = ParseEncoding(v);
      if (!encoding) return bad("encoding (shift_jis, euc-jp, utf-8 or auto)");
      o.encoding = encoding;
    } else if (name == "-r" || name == "--reverse") {
      if (!value(v)) return false;
      if (!ParseLayers(v, o.reverse)) return bad("layers (1 to 15)");
    } else if (name == "--range") {
      if (!value(v)) return false;
      if (!ParseLayers(v, o.range)) return bad("layers (1 to 15)");
    } else if (name == "--lead-cut") {
      if (!value(v)) return false;
      if (!ParseInt(v, 0, 19, o.leadCut)) return bad("count (0 to 19)");
    } else if (name == "--trail-cut") {
      if (!value(v)) return false;
      if (!ParseInt(v, 0, 19, o.trailCut)) return bad("count (0 to 19)");
    } else if (name == "--keep-cut") {
      if (!flag(o.keepCut)) return false;
    } else if (name == "--order") {
      if (!value(v)) return false;
      if (v == "separator") {
        o.separatorFirst = true;
      } else if (v == "body") {
        o.separatorFirst = false;
      } else {
        return bad("order (separator or body)");
      }
    } else if (name == "--between") {
      if (!value(v)) return false;
      if (v == "hr") {
        o.between = CliOptions::Between::kHr;
      } else if (v == "numbered") {
        o.between = CliOptions::Between::kNumbered;
      } else if (v == "none") {
        o.between = CliOptions::Between::kNone;
      } else {
        return bad("text (hr, numbered or none)");
      }
    } else if (name == "--simple-header") {
      if (!flag(o.simpleHeader)) return false;
    } else if (name == "-f" || name == "--force") {
      if (!flag(o.force)) return false;
    } else if (name == "-q" || name == "--quiet") {
      if (!flag(o.quiet)) return false;
    } else if (name == "-h" || name == "--help") {
      if (!flag(o.help)) return false;
    } else if (name == "--version") {
      if (!flag(o.version)) return false;
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
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
