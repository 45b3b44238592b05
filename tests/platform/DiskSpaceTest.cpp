#include "DiskSpace.h"

#include <gtest/gtest.h>

namespace {

TEST(DriveRoot, LetterIsDriveNumberPlus64ModuloByte) {
  const struct {
    uint8_t drive;
    std::string root;
  } cases[] = {
      {0, ""},  // the current drive
      {1, "A:\\"},
      {3, "C:\\"},
      {26, "Z:\\"},
      {28, "\\:\\"},  // what the backslash of a network path gives
      {35, "c:\\"},   // what a lower-case c gives
      {200, std::string("\x08:\\")},
  };
  for (const auto& c : cases) EXPECT_EQ(DriveRoot(c.drive), c.root) << int(c.drive);
}

TEST(FreeSpaceAt, MeasuresAnyExistingPlaceOnAVolume) {
  for (const char* where : {"", "C:\\", "C:\\windows", "C:\\windows\\", "C:\\windows\\\\", "C:\\\\", "c:\\"})
    EXPECT_GT(FreeSpaceAt(where), 0) << '"' << where << '"';
}

TEST(FreeSpaceAt, GivesMinusOneWhereNothingCanBeMeasured) {
  for (const char* where : {"\\:\\", "Q:\\", "C:\\no such folder\\", "\\\\no-such-server\\share\\"})
    EXPECT_EQ(FreeSpaceAt(where), -1) << where;
}

}  // namespace
