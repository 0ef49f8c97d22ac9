#pragma once

#include <array>
#include <cstdint>
#include <new>

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

  // Appends a section of `layer`, its fields at their defaults; nullptr when memory runs out.
  CSection* Append(std::uint8_t layer) {
    Layer& l = m_layers[layer];
    if (l.count == l.capacity && !Grow(l)) return nullptr;
    return new (l.data + l.count++) CSection();
  }
  CSection& At(std::uint8_t layer, Offset index) { return m_layers[layer].data[index]; }
  Offset Count(std::uint8_t layer) const { return m_layers[layer].count; }
  // Forgets all sections; keeps the memory for the next file.
  void Clear();

 private:
  struct Layer {
    CSection* data = nullptr;
    Offset count = 0;
    Offset capacity = 0;
    platform::CGrowableRegion region;
  };
  static bool Grow(Layer& l);
  std::array<Layer, 256> m_layers;
};

}  // namespace engine
