#include "ui/behaviour/RunEncoding.h"

#include "platform/Encoding.h"

void ApplyEncoding(engine::RunInputs& inputs, engine::TextEncoding encoding,
                   const std::string& separatorUtf8) {
  inputs.bEuc = encoding == engine::TextEncoding::kEucJp ? 1 : 0;
  inputs.bUtf8 = encoding == engine::TextEncoding::kUtf8 ? 1 : 0;
  if (inputs.bUtf8) {
    inputs.strSeparatorText = separatorUtf8;
    inputs.bSeparatorNotCp932 = 0;
    return;
  }
  const auto sjis = platform::Utf8ToCp932(separatorUtf8);
  inputs.strSeparatorText = sjis.value_or(std::string());
  inputs.bSeparatorNotCp932 = sjis ? 0 : 1;
}
