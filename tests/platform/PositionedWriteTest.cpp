// Positioned writes, alike on both systems.
#include <gtest/gtest.h>

#include <string>

#include "platform/File.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

// Parts written out of order at their places by a second CFile on the same file, one of
// them long enough to go out at once; the file's own writer goes on after them, or cuts
// back to a place.
TEST(File, PositionedWritesLandAtTheirPlaces) {
  const std::string big(300 << 10, 'k');
  for (const bool bCut : {false, true}) {
    testing_support::TempDir dir;
    CFile f;
    ASSERT_TRUE(f.Open(dir.File("out"), CFile::modeWrite | CFile::modeCreate, nullptr));
    f.Write("head", 4);
    f.Flush();
    CFile at;
    at.AttachPositioned(f.GetHandle(), "out");
    at.SetPosition(10);
    at.Write("0123456789", 10);
    at.WriteKept(big.data(), big.size());
    at.SetPosition(4);
    at.Write("abcdef", 6);
    at.Close();
    f.SetPosition(bCut ? 7 : 20 + big.size(), bCut);
    f.Write("tail", 4);
    f.Close();
    EXPECT_EQ(testing_support::ReadFile(dir.File("out")),
              bCut ? "headabctail" : "headabcdef0123456789" + big + "tail");
  }
}

}  // namespace
}  // namespace platform
