#pragma once

#include <functional>
#include <string>

namespace platform {

// Message box types and answers, with the values callers pass and compare.
enum : unsigned {
  kMbOk = 0x0000,
  kMbYesNo = 0x0004,
  kMbIconError = 0x0010,
  kMbIconQuestion = 0x0020,
  kMbIconWarning = 0x0030,
  kMbIconInformation = 0x0040,
  kMbIconMask = 0x00F0,
  kMbDefButton2 = 0x0100,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// One message as the program shows it: the text (UTF-8), the box type, whether it only
// informs (a front end may be asked to keep quiet about those), and what it is about, for a
// box's title (empty: the program's own).
struct Message {
  std::string text;
  unsigned nType = kMbOk;
  bool bInformation = false;
  std::string title;
};

// Where messages go: the desktop program shows a box, the command line prints to
// stderr, tests record them. Returns the button pressed (kIdOk, kIdYes, kIdNo).
using MessageSink = std::function<int(const Message&)>;

// Shows a message through the current sink (the calling thread's own, if it has one) and
// waits for its answer.
int AfxMessageBox(const std::string& text, unsigned nType = kMbOk, bool bInformation = false,
                  const std::string& title = {});

// Replaces the sink; returns the previous one. The default sink prints to stderr and
// answers No to questions.
MessageSink SetMessageSink(MessageSink sink);

// Installs a sink for the lifetime of the guard.
class ScopedMessageSink {
 public:
  explicit ScopedMessageSink(MessageSink sink) : m_previous(SetMessageSink(std::move(sink))) {}
  ~ScopedMessageSink() { SetMessageSink(std::move(m_previous)); }
  ScopedMessageSink(const ScopedMessageSink&) = delete;
  ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

 private:
  MessageSink m_previous;
};

// Sends the messages of the calling thread to `sink` for the lifetime of the guard; other
// threads keep the program's sink. A worker that collects its messages installs one, without
// touching the sink other threads read.
class ScopedThreadMessageSink {
 public:
  explicit ScopedThreadMessageSink(MessageSink sink);
  ~ScopedThreadMessageSink();
  ScopedThreadMessageSink(const ScopedThreadMessageSink&) = delete;
  ScopedThreadMessageSink& operator=(const ScopedThreadMessageSink&) = delete;

 private:
  MessageSink m_previous;
};

}  // namespace platform
