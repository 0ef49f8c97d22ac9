#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "engine/sections/Outline.h"

namespace cli {

// One input's outline as lines for a terminal: the file, its header, one line per section
// indented by layer (layer, index, offset, length, action, first words), its trailer.
std::string OutlineText(const engine::FileOutline& file);

// The same as a JSON object: path, encoding, header, trailer (null when the fixed footer
// is written), complete, and the sections with their nested sections.
nlohmann::ordered_json OutlineJson(const engine::FileOutline& file);

}  // namespace cli
