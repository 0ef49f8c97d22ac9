#pragma once

#include <chrono>

namespace engine {
class CExecutor;
}

namespace cli {

// Lowers the sizes from which an input is mapped, searched by a second thread and written
// while it is split, from environment variables that exist for tests only, so that a log
// of a few hundred bytes takes the paths otherwise reserved for large ones:
//   VELMORANT_TEST_LARGE_FILE  inputs of this many bytes or more are mapped (1 MiB)
//   VELMORANT_TEST_INDEX_MIN   bodies of this many bytes or more get the second thread (8 MiB)
//   VELMORANT_TEST_INDEX_FROM  the file offset at which the second thread's part begins
//   VELMORANT_TEST_PLACE_MIN   outputs of inputs this large are written while they are split
//                              (8 MiB)
//   VELMORANT_TEST_TOP_STEP    top sections are handed to the writing thread each time the
//                              search passed this many bytes more (1 MiB)
//   VELMORANT_TEST_READ_THROUGH  1: a mapped input's bytes are read through the file; 0: they
//                              are touched in the view (unset: what suits the platform)
// A variable that is unset or not a plain decimal number changes nothing.
void ApplyTestThresholds(engine::CExecutor& executor);

// How long a run goes on before its progress is shown (half a second), or the milliseconds
// of VELMORANT_TEST_PROGRESS_AFTER: 0 makes any run "slow", its line shown from the start.
std::chrono::milliseconds ProgressAfter();

}  // namespace cli
