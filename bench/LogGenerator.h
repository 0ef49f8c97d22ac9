#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// The three shapes of board log the benchmark converts.
enum class LogVariant {
  kHr,     // <dt>/<dd> posts with an <HR> tag between them
  kTable,  // one <table><tr><td>..</td><td>..</td></tr></table> per post
  kUser,   // <dt>/<dd> posts with a line of the user separator between them
};

// The user separator of kUser logs, as the command line takes it (UTF-8) and as it
// stands in the log (Shift_JIS): ten "■".
extern const char kUserSeparatorUtf8[];
extern const char kUserSeparatorSjis[];

// Where one post stands in a generated log, so that tests can work out the converted
// log without the engine.
struct PostSpan {
  std::size_t start = 0;   // a table post: its "<table"
  std::size_t length = 0;  // a table post: through the '>' of "</table>"
  // The separator after the post (the <HR> tag or the user string alone); length 0 for
  // the last post and for table posts.
  std::size_t separatorPos = 0;
  std::size_t separatorLength = 0;
  // Table posts: where the second "<td" and the "</tr" begin.
  std::size_t secondCell = 0;
  std::size_t rowEnd = 0;
};

struct GeneratedLog {
  std::string bytes;
  std::size_t bodyStart = 0;  // just past the <BODY> tag
  std::size_t bodyEnd = 0;    // where "</BODY" begins
  std::vector<PostSpan> posts;
};

// A Shift_JIS log of at least `targetBytes` bytes (it stops after the first post that
// reaches it). The same variant, size and seed always give the same bytes.
GeneratedLog GenerateLog(LogVariant variant, std::size_t targetBytes, std::uint64_t seed = 1);

// Sections the layered search makes for the benchmark's conversion of this log:
// layer 1 for kHr and kUser, layers 1 to 3 for kTable.
std::size_t ExpectedSections(LogVariant variant, std::size_t posts);

// "hr", "table", "user"; false for any other name.
bool ParseVariant(const std::string& name, LogVariant* pVariant);
const char* VariantName(LogVariant variant);

}  // namespace bench
