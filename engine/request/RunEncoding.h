#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/request/CRunRequest.h"
#include "engine/run/TextEncoding.h"

namespace engine {

// The encoding a front end asks for: one of the three, or "auto", decided from the bytes of
// the first input.
enum class EncodingChoice { kShiftJis, kEucJp, kUtf8, kAuto };

// What a front end knows of the encoding for a run.
struct EncodingRequest {
  EncodingChoice choice = EncodingChoice::kShiftJis;
  // The user separator as typed (UTF-8); nothing when none is given.
  std::optional<std::string> separator;
  // What the first input's bytes say (DetectFileEncoding); a front end that asks no question
  // looks only for "auto".
  std::optional<TextEncoding> firstInput;
  std::string firstInputName;  // as the question names it
};

// Asked, with its text, when the first input looks like another encoding than the one
// chosen; true converts in that encoding. Without it the choice stands.
using EncodingQuestion = std::function<bool(const std::string& question, TextEncoding other)>;

// The run's encoding, set in `inputs` with the separator as that run searches it: its own
// bytes in a UTF-8 run, else its Shift_JIS form (a text without one is refused by the
// request's separator check, in its place among the checks).
TextEncoding ApplyEncoding(RunInputs& inputs, const EncodingRequest& request,
                           const EncodingQuestion& ask = nullptr);

// "「name」は UTF-8 のようです": an input whose bytes say another encoding than the run's.
std::string LooksLikeText(const std::string& name, TextEncoding other);

}  // namespace engine
