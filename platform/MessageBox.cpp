#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {

int StderrSink(const Message& m) {
  std::fprintf(stderr, "%s\n", m.text.c_str());
  return (m.nType & kMbYesNo) ? kIdNo : kIdOk;
}

MessageSink& CurrentSink() {
  static MessageSink sink = StderrSink;
  return sink;
}

MessageSink& ThreadSink() {
  thread_local MessageSink sink;
  return sink;
}

}  // namespace

int AfxMessageBox(const std::string& text, unsigned nType, bool bInformation,
                  const std::string& title) {
  const MessageSink& sink = ThreadSink() ? ThreadSink() : CurrentSink();
  return sink ? sink(Message{text, nType, bInformation, title}) : kIdOk;
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = std::move(CurrentSink());
  CurrentSink() = std::move(sink);
  return previous;
}

ScopedThreadMessageSink::ScopedThreadMessageSink(MessageSink sink)
    : m_previous(std::exchange(ThreadSink(), std::move(sink))) {}

ScopedThreadMessageSink::~ScopedThreadMessageSink() {
  ThreadSink() = std::move(m_previous);
}

}  // namespace platform
