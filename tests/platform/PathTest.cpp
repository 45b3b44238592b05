// Where a path's parent ends, in single- and double-byte code pages.
#include "Path.h"

#include <gtest/gtest.h>

namespace {

TEST(UpToLastSeparator, CutsAfterTheLastBackslashOrColonOfWholeCharacters) {
  const struct {
    const char* name;
    std::string path;
    unsigned codePage;
    size_t length;
  } cases[] = {
      {"folder", "C:\\Apps\\Demo", 1252, 8},
      {"folder at the root", "C:\\Apps", 1252, 3},
      {"drive only", "C:", 1252, 2},
      {"no separator", "Demo", 1252, 0},
      {"empty", "", 1252, 0},
      // Shift-JIS: 83 5C is one character; 1252 reads the same bytes as
      // "ƒ\", whose backslash counts.
      {"double-byte, trail byte 5C", "C:\\Apps\\\x83\x5C", 932, 8},
      {"the same bytes, single-byte", "C:\\Apps\\\x83\x5C", 1252, 10},
      {"double-byte folder inside", "C:\\\x83\x5C\\Demo", 932, 6},
      {"lone lead byte at the end", "C:\\Apps\\\x83", 932, 8},
  };
  for (const auto& c : cases) EXPECT_EQ(UpToLastSeparator(c.path, c.codePage), c.length) << c.name;
}

}  // namespace
