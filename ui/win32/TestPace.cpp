#include "ui/win32/TestPace.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/run/CExecutor.h"

namespace win32ui {

void ApplyTestPace(engine::CExecutor& executor) {
  const char* text = std::getenv("VELMORANT_TEST_PACE_MS");
  char* end = nullptr;
  const long pace = text ? std::strtol(text, &end, 10) : 0;
  if (!text || *end != '\0' || pace <= 0) return;
  auto inner = executor.m_searcher.m_checkpoint;
  executor.m_searcher.m_checkpoint = [inner, pace](std::size_t pos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pace));
    return inner(pos);
  };
}

}  // namespace win32ui
