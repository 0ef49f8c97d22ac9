#include "engine/request/RunEncoding.h"

#include "engine/Messages.h"
#include "platform/Encoding.h"

namespace engine {

namespace {

TextEncoding Chosen(EncodingChoice choice, const std::optional<TextEncoding>& firstInput) {
  switch (choice) {
    case EncodingChoice::kEucJp:
      return TextEncoding::kEucJp;
    case EncodingChoice::kUtf8:
      return TextEncoding::kUtf8;
    case EncodingChoice::kAuto:
      return firstInput.value_or(TextEncoding::kShiftJis);
    case EncodingChoice::kShiftJis:
      break;
  }
  return TextEncoding::kShiftJis;
}

}  // namespace

std::string LooksLikeText(const std::string& name, TextEncoding other) {
  return "「" + name + "」は " + EncodingName(other) + " のようです";
}

TextEncoding ApplyEncoding(RunInputs& inputs, const EncodingRequest& request,
                           const EncodingQuestion& ask) {
  TextEncoding encoding = Chosen(request.choice, request.firstInput);
  if (ask && request.firstInput && *request.firstInput != encoding) {
    const TextEncoding other = *request.firstInput;
    const std::string question = LooksLikeText(request.firstInputName, other) + "。" +
                                 EncodingName(other) + msg::kAskEncodingTail;
    if (ask(question, other)) encoding = other;
  }
  inputs.encoding = encoding;
  if (!request.separator) return encoding;
  if (encoding == TextEncoding::kUtf8) {
    inputs.strSeparatorText = *request.separator;  // searched as typed
    inputs.bSeparatorNotCp932 = false;
    return encoding;
  }
  const auto sjis = platform::Utf8ToCp932(*request.separator);
  inputs.strSeparatorText = sjis.value_or(std::string());
  inputs.bSeparatorNotCp932 = !sjis;
  return encoding;
}

}  // namespace engine
