// Hexadecimal text as the installer, its checks and the package tool write it.
#include "HexText.h"

#include <gtest/gtest.h>

#include "PackageFormat.h"

namespace {

TEST(HexText, FixedDigitsLeadingZerosKeptInEitherCase) {
  const struct {
    uint32_t value;
    int digits;
    HexCase letters;
    const char* text;
  } cases[] = {
      {0x0A, 2, HexCase::Upper, "0A"},
      {0xFF, 2, HexCase::Lower, "ff"},
      {0x1F600, 4, HexCase::Upper, "F600"},  // digits beyond the count are cut, as a field of that width
      {0x89ABCDEF, 8, HexCase::Upper, "89ABCDEF"},
      {0, 8, HexCase::Upper, "00000000"},
      {0x12, 0, HexCase::Upper, ""},
  };
  for (const auto& c : cases) {
    std::string text = "<";
    AppendHex(text, c.value, c.digits, c.letters);
    EXPECT_EQ(text, std::string("<") + c.text) << c.text;
  }
  EXPECT_EQ(HexByte(0x5C), "5C");
  const uint8_t digest[] = {0x00, 0x9f, 0xA0, 0xff};
  EXPECT_EQ(LowerHexBytes(digest, sizeof digest), "009fa0ff");
  EXPECT_EQ(LowerHexBytes(digest, 0), "");
}

TEST(HexText, TheExtractorsWordForAnUnknownRecordKind) {
  EXPECT_EQ(Package::BadCommandText(0x03), "Bad Command: 03");
  EXPECT_EQ(Package::BadCommandText(0xFF), "Bad Command: FF");
}

}  // namespace
