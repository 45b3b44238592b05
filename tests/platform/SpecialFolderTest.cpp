#include "SpecialFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(SpecialFolderPath, ProgramFilesHasNoTrailingBackslash) {
  std::string path;
  ASSERT_TRUE(SpecialFolderPath(nullptr, FolderProgramFiles, path));
  EXPECT_EQ(path, "C:\\Program Files");
}

TEST(SpecialFolderPath, UnknownFolderLeavesThePathAlone) {
  std::string path = "kept";
  EXPECT_FALSE(SpecialFolderPath(nullptr, 0x7f, path));
  EXPECT_EQ(path, "kept");
}

}  // namespace
