#include "cli/InputList.h"

#include <cstdio>
#include <istream>
#include <iterator>

#include "engine/Messages.h"
#include "platform/File.h"
#include "platform/FileException.h"

namespace cli {
namespace {

constexpr char kCannotReadList[] = "入力ファイルのリストを読み込めません";
constexpr char kEmptyEntry[] = "入力ファイルのリストの %zu 番目の名前が空です";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kNulInLines[] =
    "入力ファイルのリストに NUL バイトがあります。NUL で区切ったリストには --null "
    "を指定してください";

}  // namespace

std::optional<std::string> ReadInputList(const std::string& source, bool bNull,
                                         std::istream& standardInput,
                                         std::vector<std::string>& paths) {
  const std::string name = source == "-" ? msg::kStandardInput : source;
  std::string text;
  if (source == "-") {
    text.assign(std::istreambuf_iterator<char>(standardInput), {});
  } else {
    // Read as it comes, not as the run reads its inputs: a list may well come from a pipe,
    // such as --files-from <(find ...).
    long err = 0;
    if (!platform::ReadWholeFile(source, &text, &err)) {
      return std::string(kCannotReadList) + "\n" + msg::kFileLine + name + "\n" + msg::kCauseLine +
             platform::OsErrorText(err);
    }
  }
  // find -print0 output read by lines would be one name, the first.
  if (!bNull && text.find('\0') != std::string::npos) {
    return std::string(kNulInLines) + "\n" + msg::kFileLine + name;
  }
  // Lists written on Windows: a byte-order mark before the first name, CR LF line ends.
  const std::size_t start = text.rfind(kUtf8Bom, 0) == 0 ? sizeof kUtf8Bom - 1 : 0;
  const char separator = bNull ? '\0' : '\n';
  std::size_t number = 0;
  for (std::size_t at = start; at < text.size();) {
    std::size_t end = text.find(separator, at);
    if (end == std::string::npos) end = text.size();
    ++number;
    const std::size_t next = end + 1;
    if (!bNull && end > at && text[end - 1] == '\r') --end;  // a list saved with CR LF
    if (end == at) {
      char line[128];
      std::snprintf(line, sizeof line, kEmptyEntry, number);
      return std::string(line) + "\n" + msg::kFileLine + name;
    }
    paths.emplace_back(text, at, end - at);
    at = next;
  }
  return std::nullopt;
}

}  // namespace cli
