#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {
namespace {

int StderrSink(const Message& m) {
  std::fprintf(stderr, "%s\n", m.text.c_str());
  return (m.nType & MB_YESNO) ? IDNO : IDOK;
}

MessageSink& CurrentSink() {
  static MessageSink sink = StderrSink;
  return sink;
}

}  // namespace

int AfxMessageBox(const std::string& text, unsigned nType, bool bInformation) {
  const MessageSink& sink = CurrentSink();
  return sink ? sink(Message{text, nType, bInformation}) : IDOK;
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = std::move(CurrentSink());
  CurrentSink() = std::move(sink);
  return previous;
}

}  // namespace platform
