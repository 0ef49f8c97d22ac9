#pragma once

#include <functional>
#include <string>

#include "engine/sections/Outline.h"

namespace cli {

// Takes the printed text piece by piece, so that the outline of a large log is never held
// whole in memory.
using OutlineSink = std::function<void(const std::string&)>;

// One input's outline as lines for a terminal: the file, its header, one line per section
// indented by layer (layer, index, offset, length, action, first words), its trailer.
void PrintOutlineText(const engine::FileOutline& file, const OutlineSink& sink);

// The same as one line of JSON: an object with path, encoding, header, trailer (null when
// the fixed footer is written), complete, and the sections with their nested sections.
void PrintOutlineJson(const engine::FileOutline& file, const OutlineSink& sink);

}  // namespace cli
