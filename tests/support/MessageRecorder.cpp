#include "tests/support/MessageRecorder.h"

namespace testing_support {

MessageRecorder::MessageRecorder(int a) : answer(a) {
  m_previous = platform::SetMessageSink([this](const platform::Message& m) {
    messages.push_back(m);
    return (m.nType & platform::kMbYesNo) ? answer : platform::kIdOk;
  });
}

MessageRecorder::~MessageRecorder() {
  platform::SetMessageSink(std::move(m_previous));
}

std::vector<std::string> MessageRecorder::Texts() const {
  std::vector<std::string> t;
  for (const auto& m : messages) t.push_back(m.text);
  return t;
}

}  // namespace testing_support
