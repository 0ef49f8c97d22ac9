#pragma once

#include <cstdint>
#include <string>

namespace engine {

class CSearcher;

// Key codes of the separator grammar.
enum KeyCode : std::uint8_t {
  kCodeHtml = 1,
  kCodeBody = 2,
  kCodeBodyEnd = 3,
  kCodeHtmlEnd = 4,
  kCodeHr = 5,
  kCodeCenter = 6,
  kCodeCenterEnd = 7,
  kCodeTable = 8,
  kCodeTableEnd = 9,
  kCodeUser = 10,
  kCodeTr = 11,
  kCodeTrEnd = 12,
  kCodeTd = 13,
  kCodeTdEnd = 14,
  kCodeBlockOpen = 15,
  kCodeBlockClose = 16,  // also the lone ">" key of mode 0
};

// Search modes the split uses around the layered search.
enum GrammarMode : std::uint8_t {
  kModeHtml = 1,     // document start
  kModeBody = 2,     // body start, or a document end without a body
  kModeHtmlEnd = 4,  // document end after the body
};

inline constexpr int kGrammarModeCount = 12;
inline constexpr int kGrammarKeyCount = 114;

// Registers the twelve modes, with `userSeparator` (Shift_JIS bytes, may be empty) as the
// user key of modes 5, 8, 9, 10 and 11. 0, or -1 when a mode could not be registered.
int RegisterSeparatorGrammar(CSearcher& searcher, const std::string& userSeparator);

// The start mode of the layered search for a separator kind (0 to 3).
std::uint8_t StartModeFor(int bUserSeparator, int nSeparatorKind);

// The [<]/[>] decision on a non-empty user separator string.
enum class AutoCloseDecision {
  kNoOpen,          // no '<': matched exactly as typed
  kOpenNoClose,     // '<' without '>': completed through the next '>' of the file
  kOpenAfterClose,  // the first '<' comes after the first '>'
  kBoth,            // '<' before '>'
};
AutoCloseDecision DecideAutoClose(const std::string& separator);

}  // namespace engine
