#pragma once

#include <condition_variable>
#include <mutex>

namespace engine {

// Lets a front end keep a run from putting its output in place while it asks the user
// whether to stop it, so that the answer decides what the run leaves: an output put in
// place before the question opened is a finished run's, one that waits is stopped or kept
// by the answer. Hold and Release on the asking thread; Enter and Leave around the commit
// on the run's thread.
class CCommitGate {
 public:
  // Before a run: the gate open, no commit under way, the run not finished.
  void Reset();
  // Closes the gate; waits for a commit under way (a rename) to end. False when the run has
  // ended its last commit already (Finish): there is nothing left to stop, and the gate
  // stays open.
  bool Hold();
  void Release();

  // The run: waits while the gate is held, then commits until Leave.
  void Enter();
  void Leave();
  // The run will put nothing more in place.
  void Finish();
  // Whether a run waits at the held gate.
  bool HasWaiter();

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_bHeld = false;
  bool m_bCommitting = false;
  bool m_bWaiting = false;
  bool m_bFinished = false;
};

}  // namespace engine
