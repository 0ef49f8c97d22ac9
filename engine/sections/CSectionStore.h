#pragma once

#include <array>
#include <cstdint>

#include "engine/sections/CSection.h"
#include "platform/GrowableRegion.h"

namespace engine {

// Owns every section of one file's tree, one array per layer. The layered search finishes
// a cluster before it opens another of the same layer, so each cluster's sections stand
// contiguously in the array of their layer and a cluster only needs its first index.
class CSectionStore {
 public:
  CSectionStore() = default;
  CSectionStore(const CSectionStore&) = delete;
  CSectionStore& operator=(const CSectionStore&) = delete;

  // Appends a section of `layer`; nullptr when memory runs out.
  CSection* Append(std::uint8_t layer);
  CSection& At(std::uint8_t layer, Offset index) {
    return static_cast<CSection*>(m_layers[layer].region.Data())[index];
  }
  Offset Count(std::uint8_t layer) const { return m_layers[layer].count; }
  // Forgets all sections; keeps the memory for the next file.
  void Clear();

 private:
  struct Layer {
    platform::CGrowableRegion region;
    Offset count = 0;
  };
  std::array<Layer, 256> m_layers;
};

}  // namespace engine
