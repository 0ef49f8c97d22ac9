#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/sections/Outline.h"

namespace cli {

// Takes the printed text piece by piece, so that the outline of a large log is never held
// whole in memory.
using OutlineSink = std::function<void(const std::string&)>;

// Hands the text on once it is large enough to be worth a write; the printers hand on the
// rest themselves at the end of an input, as a write that fails must not be made from a
// destructor.
class OutlineChunks {
 public:
  explicit OutlineChunks(OutlineSink sink) : m_sink(std::move(sink)) {}
  std::string& Text() { return m_text; }
  void Step() {
    if (m_text.size() >= (1u << 20)) Flush();
  }
  void Flush();

 private:
  OutlineSink m_sink;
  std::string m_text;
};

// Each input's outline as lines for a terminal: the file, its header, one line per section
// indented by layer (layer, index, offset, length, action, first words), its trailer.
class TextOutlinePrinter : public engine::COutlineReader {
 public:
  explicit TextOutlinePrinter(OutlineSink sink) : m_out(std::move(sink)) {}
  void Begin(const engine::FileOutline& file) override;
  void Add(const engine::OutlineSection& section, bool bDivided) override;
  void Leave() override {}
  void End(const engine::FileOutline& file) override;

 private:
  OutlineChunks m_out;
};

// Each input's outline as one line of JSON (after a comma and a line break from the second
// input on): an object with path, encoding, header, the sections with their nested
// sections, trailer (null when the fixed footer is written) and complete.
class JsonOutlinePrinter : public engine::COutlineReader {
 public:
  explicit JsonOutlinePrinter(OutlineSink sink) : m_out(std::move(sink)) {}
  void Begin(const engine::FileOutline& file) override;
  void Add(const engine::OutlineSection& section, bool bDivided) override;
  void Leave() override;
  void End(const engine::FileOutline& file) override;

 private:
  OutlineChunks m_out;
  std::vector<bool> m_abFirst;  // per open list of sections: nothing written in it yet
  bool m_bBegun = false;        // an input came before: the next one follows a comma
};

}  // namespace cli
