#include "DiskSpace.h"

#include <gtest/gtest.h>

namespace {

TEST(FreeSpaceAt, MeasuresAnyExistingPlaceOnAVolume) {
  for (const char* where : {"", "C:\\", "C:\\windows", "C:\\windows\\", "C:\\windows\\\\", "C:\\\\", "c:\\"})
    EXPECT_GT(FreeSpaceAt(where), 0) << '"' << where << '"';
}

TEST(FreeSpaceAt, GivesMinusOneWhereNothingCanBeMeasured) {
  for (const char* where : {"\\:\\", "Q:\\", "C:\\no such folder\\", "\\\\no-such-server\\share\\"})
    EXPECT_EQ(FreeSpaceAt(where), -1) << where;
}

}  // namespace
