#include "cli/TestThresholds.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "engine/run/CExecutor.h"

namespace cli {
namespace {

std::optional<std::size_t> SizeFrom(const char* name) {
  const char* text = std::getenv(name);
  if (text == nullptr) return std::nullopt;
  std::size_t value = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

void ApplyTestThresholds(engine::CExecutor& executor) {
  if (auto v = SizeFrom("VELMORANT_TEST_LARGE_FILE")) executor.m_nLargeFile = *v;
  if (auto v = SizeFrom("VELMORANT_TEST_INDEX_MIN")) executor.m_searcher.m_nIndexMin = *v;
  if (auto v = SizeFrom("VELMORANT_TEST_INDEX_FROM")) executor.m_searcher.m_nIndexFrom = *v;
  if (auto v = SizeFrom("VELMORANT_TEST_PLACE_MIN")) executor.m_nPlaceMin = *v;
  if (auto v = SizeFrom("VELMORANT_TEST_TOP_STEP")) executor.m_searcher.m_nTopStep = *v;
  if (auto v = SizeFrom("VELMORANT_TEST_READ_THROUGH")) executor.m_bReadThrough = *v != 0;
}

std::chrono::milliseconds ProgressAfter() {
  return std::chrono::milliseconds(SizeFrom("VELMORANT_TEST_PROGRESS_AFTER").value_or(500));
}

}  // namespace cli
