#pragma once

namespace engine {
class CExecutor;
}

namespace win32ui {

// For tests only: with VELMORANT_TEST_PACE_MS set to a decimal number, a run waits that many
// milliseconds at each of its checkpoints (every 4 MiB searched), so that a test under Wine
// sees its progress bar move and can stop it half-way. Unset, nothing changes.
void ApplyTestPace(engine::CExecutor& executor);

}  // namespace win32ui
