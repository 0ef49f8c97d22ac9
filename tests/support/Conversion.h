#pragma once

#include <string>
#include <vector>

#include "engine/run/CExecutor.h"
#include "tests/support/TestFiles.h"

namespace testing_support {

// Run settings for one conversion in a test, with the defaults of a run whose options
// dialog was never opened.
struct Settings {
  int kind = 0;               // separator kind, 0 to 3
  std::string userSeparator;  // non-empty: the user separator is in use
  int autoClose = 0;
  std::vector<int> reverse;  // layers
  std::vector<int> range;    // layers
  int leadCut = 0;
  int trailCut = 0;
  int cutOutsideRange = 0;
  int separatorFirst = 1;
  int separatorStyle = 0;
};

// Fills the executor's run settings as the run request would.
void Apply(const Settings& s, engine::CExecutor& ex);

// A document around `body`: "<HTML><BODY>" + body + "</BODY></HTML>".
std::string Doc(const std::string& body);

}  // namespace testing_support
