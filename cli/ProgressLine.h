#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// What the status line of a run shows, as the run's counters give it.
struct ProgressFigures {
  std::uint64_t nDone = 0;   // units of work: two per input byte, as the executor counts
  std::uint64_t nTotal = 0;  // the same for the whole run
  std::size_t nFilesDone = 0;
  std::size_t nFiles = 0;
  std::string_view current;              // the input being converted; empty when none
  std::optional<double> bytesPerSecond;  // nothing until it has been measured
};

// The line, at most `columns - 1` columns wide so that no terminal wraps it, the name
// shortened from the middle to fit; `columns` 0: any width, the name whole.
// "12.3 MiB / 1.0 GiB (1%)  3/10 files  45.6 MiB/s  0:22 left  logs/2024/...day 3.html"
std::string ComposeProgressLine(const ProgressFigures& figures, std::size_t columns);

// Columns a terminal gives UTF-8 text: two for East Asian wide and full-width characters,
// none for combining marks, one for the rest.
std::size_t DisplayWidth(std::string_view utf8);

// `utf8` fit into `columns` by putting "..." for its middle; a character is never cut in
// two. Control characters and bytes that are not UTF-8 become '?', so that a file name
// cannot move the cursor or end the line. `columns` 0: the whole text.
std::string ShortenMiddle(std::string_view utf8, std::size_t columns);

}  // namespace cli
