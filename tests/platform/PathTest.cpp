// Cutting and joining paths: where a parent ends, in single- and
// double-byte code pages, and what stands on either side of it.
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

// The two parts of a path, both cut where UpToLastSeparator cuts (narrow)
// or at the last backslash (wide, the system's full paths).
TEST(PathParts, FolderAndLastComponentSplitAtTheLastSeparator) {
  const struct {
    const char* name;
    std::string path;
    unsigned codePage;
    std::string folder, last;
  } narrow[] = {
      {"folder", "C:\\Apps\\Demo", 1252, "C:\\Apps\\", "Demo"},
      {"trailing backslash", "C:\\Apps\\", 1252, "C:\\Apps\\", ""},
      {"drive only", "C:", 1252, "C:", ""},
      {"drive and name", "C:Demo", 1252, "C:", "Demo"},
      {"no separator", "Demo", 1252, "", "Demo"},
      {"double-byte, trail byte 5C", "C:\\Apps\\\x83\x5C", 932, "C:\\Apps\\", "\x83\x5C"},
      {"the same bytes, single-byte", "C:\\Apps\\\x83\x5C", 1252, "C:\\Apps\\\x83\x5C", ""},
  };
  for (const auto& c : narrow) {
    EXPECT_EQ(FolderOf(c.path, c.codePage), c.folder) << c.name;
    EXPECT_EQ(LastComponent(c.path, c.codePage), c.last) << c.name;
  }
  const struct {
    const char* name;
    std::wstring path, parent, last;
  } wide[] = {
      {"folder", L"C:\\Apps\\Demo", L"C:\\Apps", L"Demo"},
      {"at the root", L"C:\\Demo", L"C:", L"Demo"},
      {"trailing backslash", L"C:\\Apps\\", L"C:\\Apps", L""},
      {"a colon is no separator", L"C:Demo", L"", L"C:Demo"},
      {"no separator", L"Demo", L"", L"Demo"},
  };
  for (const auto& c : wide) {
    EXPECT_EQ(ParentOf(c.path), c.parent) << c.name;
    EXPECT_EQ(LastComponent(c.path), c.last) << c.name;
  }
}

TEST(JoinPath, OneBackslashBetweenNoneAfterARootOrADrive) {
  const struct {
    std::string folder, name, joined;
  } cases[] = {
      {"C:\\Apps", "Demo", "C:\\Apps\\Demo"},
      {"C:\\Apps\\", "Demo", "C:\\Apps\\Demo"},
      {"D:\\", "Demo", "D:\\Demo"},
      {"D:", "Demo", "D:Demo"},
      {"C:\\Apps", "", "C:\\Apps\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

}  // namespace
