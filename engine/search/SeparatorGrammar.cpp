#include "engine/search/SeparatorGrammar.h"

#include <initializer_list>
#include <new>
#include <vector>

#include "engine/search/CSearcher.h"

namespace engine {
namespace {

struct Key {
  const char* text;  // nullptr stands for the user separator string
  std::uint8_t code;
};
using Group = std::initializer_list<Key>;

// clang-format off
const Group kT = {{"<TABLE", kCodeTable}, {"<table", kCodeTable}, {"</TABLE", kCodeTableEnd},
                  {"</table", kCodeTableEnd}, {"<TR", kCodeTr},      {"<tr", kCodeTr},
                  {"</TR", kCodeTrEnd},       {"</tr", kCodeTrEnd},  {"<TD", kCodeTd},
                  {"<td", kCodeTd},           {"</TD", kCodeTdEnd},  {"</td", kCodeTdEnd}};
const Group kH = {{"<HR", kCodeHr}, {"<hr", kCodeHr}};
const Group kC = {{"<CENTER", kCodeCenter}, {"<center", kCodeCenter},
                  {"</CENTER", kCodeCenterEnd}, {"</center", kCodeCenterEnd}};
const Group kE = {{"</BODY", kCodeBodyEnd}, {"</body", kCodeBodyEnd},
                  {"</HTML", kCodeHtmlEnd}, {"</html", kCodeHtmlEnd}};
const Group kU = {{nullptr, kCodeUser}};

// The twelve modes, each a list of key groups in registration order.
const std::vector<std::vector<Group>>& Modes() {
  static const Group k0 = {{">", kCodeBlockClose}};
  static const Group k1 = {{"<HTML", kCodeHtml}, {"<html", kCodeHtml}};
  static const Group k2 = {{"<BODY", kCodeBody}, {"<body", kCodeBody},
                           {"</HTML", kCodeHtmlEnd}, {"</html", kCodeHtmlEnd}};
  static const Group k4 = {{"</HTML", kCodeHtmlEnd}, {"</html", kCodeHtmlEnd}};
  static const std::vector<std::vector<Group>> modes = {
      {k0},             // 0
      {k1},             // 1
      {k2},             // 2
      {kH, kE},         // 3
      {k4},             // 4
      {kU, kH, kC, kE}, // 5
      {kT, kH, kE},     // 6
      {kT, kC, kE},     // 7
      {kU, kE},         // 8
      {kU, kT, kC, kE}, // 9
      {kU, kT, kH, kE}, // 10
      {kU, kE},         // 11
  };
  return modes;
}
// clang-format on

}  // namespace

int RegisterSeparatorGrammar(CSearcher& searcher, const std::string& userSeparator) {
  try {
    searcher.Reset();
    for (const std::vector<Group>& groups : Modes()) {
      bool bFirst = true;
      const std::uint8_t mode = searcher.m_nModeCount;
      for (const Group& g : groups) {
        for (const Key& k : g) {
          const std::string text = k.text ? std::string(k.text) : userSeparator;
          if (bFirst) {
            if (searcher.AddMode(text, k.code) != 0) return -1;
            bFirst = false;
          } else {
            searcher.AddKey(mode, text, k.code);
          }
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return 0;
}

std::uint8_t StartModeFor(int bUserSeparator, int nSeparatorKind) {
  switch (nSeparatorKind) {
    case 0:
      return bUserSeparator ? 10 : 6;
    case 1:
      return bUserSeparator ? 9 : 7;
    case 2:
      return bUserSeparator ? 5 : 3;
    default:
      return 11;
  }
}

AutoCloseDecision DecideAutoClose(const std::string& separator) {
  const auto open = separator.find('<');
  const auto close = separator.find('>');
  if (open == std::string::npos) return AutoCloseDecision::kNoOpen;
  if (close == std::string::npos) return AutoCloseDecision::kOpenNoClose;
  return open > close ? AutoCloseDecision::kOpenAfterClose : AutoCloseDecision::kBoth;
}

}  // namespace engine
