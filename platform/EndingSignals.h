#pragma once

#include <functional>
#include <string>
#include <thread>

namespace platform {

// Names of new files not yet in place, removed when a signal whose default action ends the
// process ends it. Returns the name's slot, or -1 when it cannot be kept. POSIX only: Windows
// deletes a new file on close however the program ends, until it is kept to be placed.
int RegisterTemp(const std::string& path);
void UnregisterTemp(int slot);

// Holds the ending signals back (on Windows the console events that end the program) while a
// finished file is put in place, so that one ends the process either before that (the old
// file stays) or after it.
class EndingSignalHold {
 public:
  EndingSignalHold();
  ~EndingSignalHold();
  EndingSignalHold(const EndingSignalHold&) = delete;
  EndingSignalHold& operator=(const EndingSignalHold&) = delete;

  // One came since the hold began and will end the process: the file must not be put in
  // place.
  bool Pending() const;
  // The file is in place. In a program that asked for it, the signals stay held until the
  // next file is opened, or until the program ends, having reported its success.
  void Placed();

 private:
  bool m_bKeep = false;
};

// Lets through the signals held since the last file was put in place.
void ReleaseHeldSignals();

// Runs `body` on a new thread that never takes an ending signal: they go to the thread that
// holds them back while a file is put in place, which a thread of its own would bypass.
std::thread StartThreadWithoutSignals(std::function<void()> body);

}  // namespace platform
