// Bytes as a code page reads them, explicitly named: the package check asks
// this of names in whatever code page the system uses.
#include "Text.h"

#include <gtest/gtest.h>

#include <string>

TEST(Text, BytesThatEndOutsideACharacterAreNoText) {
  const struct {
    unsigned codePage;
    std::string bytes;
    bool isText;
  } cases[] = {
      {932, "a\x81", false},        {936, "a\x81", false},        // a lead byte at the end
      {932, "a\x81\x40", true},     {936, "a\x81\x40", true},     // with its second byte
      {932, "\x95\\", true},        {936, "\x95\\", true},        // a second byte that looks like a backslash
      {932, "\xA1", true},          {936, "\xA1", false},         // one byte in Japanese, a lead byte in Chinese
      {1251, "\xC4\xE5\xEC\xEE", true}, {932, "", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsTextIn(c.bytes, c.codePage), c.isText) << c.codePage << " " << c.bytes;
}

TEST(Text, LeadBytesAreThoseOfTheCodePage) {
  EXPECT_TRUE(IsLeadByte('\x95', 932));
  EXPECT_TRUE(IsLeadByte('\x95', 936));
  EXPECT_FALSE(IsLeadByte('\xA1', 932));
  EXPECT_TRUE(IsLeadByte('\xA1', 936));
  EXPECT_FALSE(IsLeadByte('\\', 932));
  EXPECT_FALSE(IsLeadByte('\x95', 1251));
}
