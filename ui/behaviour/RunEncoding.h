#pragma once

#include <string>

#include "engine/request/CRunRequest.h"
#include "engine/run/TextEncoding.h"

// Sets the run's encoding in `inputs`, and the separator field's text (UTF-8) as that run
// searches it: its own bytes in a UTF-8 run, else its Shift_JIS form. A text without that
// form is refused by the request's separator check, in its place among the checks.
void ApplyEncoding(engine::RunInputs& inputs, engine::TextEncoding encoding,
                   const std::string& separatorUtf8);
