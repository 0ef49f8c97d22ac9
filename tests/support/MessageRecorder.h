#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace testing_support {

// Records every message box while it lives and answers questions with `answer`.
class MessageRecorder {
 public:
  explicit MessageRecorder(int answer = platform::kIdNo);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<platform::Message> messages;
  int answer;

  std::vector<std::string> Texts() const;

 private:
  platform::MessageSink m_previous;
};

}  // namespace testing_support
