// Names and texts on their way into a package: UTF-8 in, code page out,
// refused where Windows or the installer would not take them.
#include <gtest/gtest.h>

#include "CodePages.h"
#include "NameRules.h"
#include "TextConversion.h"

using namespace Mkpkg;

namespace {

struct NameCase {
  const char* name;  // UTF-8
  int codePage;      // 0: ASCII only
  const char* problem;  // fragment of the refusal; "" when accepted
  const char* bytes;    // stored bytes when accepted
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name << " in " << c.codePage; }

class NameConversion : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameConversion, AcceptsOrRefusesWithTheReason) {
  const NameCase& c = GetParam();
  const PackageName result = ConvertName(c.name, c.codePage ? FindCodePage(c.codePage) : nullptr);
  if (*c.problem) {
    EXPECT_NE(result.Problem.find(c.problem), std::string::npos) << "problem: " << result.Problem;
    EXPECT_TRUE(result.Bytes.empty());
  } else {
    EXPECT_EQ(result.Problem, "");
    EXPECT_EQ(result.Bytes, c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameConversion,
    ::testing::Values(
        NameCase{"readme.txt", 0, "", "readme.txt"},
        NameCase{"a..b .txt", 0, "", "a..b .txt"},
        NameCase{"CONSOLE.log", 0, "", "CONSOLE.log"},
        NameCase{"\xD0\x96.txt", 1251, "", "\xC6.txt"},             // Ж
        NameCase{"\xD1\x91\xE2\x84\x96", 1251, "", "\xB8\xB9"},       // ё№
        NameCase{"caf\xC3\xA9", 1252, "", "caf\xE9"},                // café
        NameCase{"\xE2\x82\xAC", 1252, "", "\x80"},                  // €
        NameCase{"\xC5\x81\xC3\xB3" "d\xC5\xBA", 1250, "", "\xA3\xF3" "d\x9F"},  // Łódź
        NameCase{"\xD0\x96.txt", 0, "not ASCII", ""},
        NameCase{"\xCE\xA9.txt", 1251, "code page 1251 cannot hold", ""},  // Ω
        NameCase{"\xD0\x96", 1252, "code page 1252 cannot hold", ""},
        NameCase{"bad\xFF.txt", 1251, "not valid UTF-8", ""},
        NameCase{"", 0, "empty", ""},
        NameCase{"a:b", 0, "\":\"", ""},
        NameCase{"a<b", 0, "\"<\"", ""},
        NameCase{"a>b", 0, "\">\"", ""},
        NameCase{"a\"b", 0, "\"\"\"", ""},
        NameCase{"a|b", 0, "\"|\"", ""},
        NameCase{"a?b", 0, "\"?\"", ""},
        NameCase{"a*b", 0, "\"*\"", ""},
        NameCase{"a\\b", 0, "\"\\\"", ""},
        NameCase{"a/b", 0, "\"/\"", ""},
        NameCase{"tab\there", 0, "control character", ""},
        NameCase{"name.", 0, "ends with a dot", ""},
        NameCase{"name ", 0, "space", ""},
        NameCase{"..", 0, "ends with a dot", ""},
        NameCase{"CON", 0, "device name", ""},
        NameCase{"nul.txt", 0, "device name", ""},
        NameCase{"Com7.log", 0, "device name", ""},
        NameCase{"LPT1 .txt", 0, "device name", ""},
        NameCase{"conout$", 0, "device name", ""},
        NameCase{"COM\xC2\xB9.txt", 1252, "device name", ""},  // COM¹
        NameCase{"COM10", 0, "", "COM10"}));

TEST(NameLength, CountsTheStoredBytesNotTheUtf8Ones) {
  const CodePage* cyrillic = FindCodePage(1251);
  std::string ya;  // "я" takes two bytes in UTF-8 and one in the package
  for (int i = 0; i < 255; ++i) ya += "\xD1\x8F";
  EXPECT_EQ(ConvertName(ya, cyrillic).Problem, "");
  EXPECT_NE(ConvertName(ya + "\xD1\x8F", cyrillic).Problem.find("256 bytes"), std::string::npos);
  EXPECT_EQ(ConvertName(std::string(255, 'x'), nullptr).Problem, "");
  EXPECT_NE(ConvertName(std::string(256, 'x'), nullptr).Problem.find("Windows allows 255"), std::string::npos);
}

TEST(NameCase, NamesWindowsTakesForTheSameFoldAlike) {
  const char* same[][2] = {
      {"README.TXT", "readme.txt"},
      {"\xD0\xA0\xD1\x83\xD1\x81", "\xD0\xA0\xD0\xA3\xD0\xA1"},  // Рус / РУС
      {"\xD1\x91", "\xD0\x81"},                                  // ё / Ё
      {"\xC5\x82", "\xC5\x81"},                                  // ł / Ł
      {"\xC3\xBF", "\xC5\xB8"},                                  // ÿ / Ÿ
      {"\xCF\x82", "\xCE\xA3"},                                  // ς / Σ
  };
  for (const auto& pair : same) {
    std::u32string a, b;
    ASSERT_TRUE(DecodeUtf8(pair[0], a) && DecodeUtf8(pair[1], b));
    EXPECT_EQ(FoldCase(a), FoldCase(b)) << pair[0] << " / " << pair[1];
  }
  const char* different[][2] = {{"a", "b"}, {"\xC3\x9F", "ss"}, {"\xD0\xB5", "e"}, {"\xC4\xB1", "I"}};
  for (const auto& pair : different) {
    std::u32string a, b;
    ASSERT_TRUE(DecodeUtf8(pair[0], a) && DecodeUtf8(pair[1], b));
    EXPECT_NE(FoldCase(a), FoldCase(b)) << pair[0] << " / " << pair[1];
  }
}

TEST(CodePageTables, EveryDefinedByteConvertsBackToItself) {
  // A slip in a table (a repeated or missing code point) breaks this.
  for (size_t i = 0; i < CodePageCount; ++i) {
    const CodePage& page = CodePageList[i];
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const std::string stored(1, char(byte));
      const std::string shown = DisplayPackageText(stored, &page);
      if (page.Upper[byte - 0x80] == 0 || page.Upper[byte - 0x80] < 0xA0) continue;  // undefined or control
      const EncodedText back = EncodeText(shown, &page);
      EXPECT_EQ(back.Problem, "") << page.Number << " byte " << byte;
      EXPECT_EQ(back.Bytes, stored) << page.Number << " byte " << byte;
    }
  }
}

// Letters of every code page as Python's codecs encode them (independent of
// the tables here), bytes below 0xA0 among them where the page has letters there.
TEST(CodePageTables, KnownLetters) {
  const struct {
    int page;
    const char* utf8;
    const char* stored;
  } known[] = {
      {1250, "\xC5\xA0\xC5\x9B\xC5\xBA\xC4\xBD\xC5\xB1", "\x8A\x9C\x9F\xBC\xFB"},  // ŠśźĽű
      {1251, "\xD0\x90\xD1\x8F", "\xC0\xFF"},                                  // Ая
      {1251, "\xD2\x90", "\xA5"},                                              // Ґ
      {1251, "\xD0\x82\xD0\x89\xD0\x96\xD1\x8F\xD0\x8E", "\x80\x8A\xC6\xFF\xA1"},  // ЂЉЖяЎ
      {1252, "\xC5\x93\xE2\x84\xA2", "\x9C\x99"},                              // œ™
      {1252, "\xC6\x92\xC5\xBD\xC3\xBF\xC3\x86\xC3\xB0", "\x83\x8E\xFF\xC6\xF0"},  // ƒŽÿÆð
      {1253, "\xCE\xA9", "\xD9"},                                              // Ω
      {1253, "\xCE\x86\xCE\xA3\xCF\x89\xCE\x90", "\xA2\xD3\xF9\xC0"},              // ΆΣωΐ
      {1254, "\xC4\x9F", "\xF0"},                                              // ğ
      {1254, "\xC5\x9E\xC4\xB0\xC4\xB1\xC4\x9E", "\xDE\xDD\xFD\xD0"},              // ŞİıĞ
      {1255, "\xD7\x90\xD7\xAA\xD7\xA9\xE2\x82\xAA", "\xE0\xFA\xF9\xA4"},          // אתש₪
      {1256, "\xD9\xBE\xDA\xAF\xD8\xB9\xDB\x92", "\x81\x90\xDA\xFF"},              // پگعے
      {1257, "\xC5\xA1", "\xF0"},                                              // š
      {1257, "\xC4\x84\xC4\x8D\xC4\x92\xC5\xB3\xC5\xBE", "\xC0\xE8\xC7\xF8\xFE"},  // ĄčĒųž
  };
  for (const auto& k : known) {
    const EncodedText e = EncodeText(std::string(k.utf8), FindCodePage(k.page));
    EXPECT_EQ(e.Bytes, k.stored) << k.page << ": " << e.Problem;
    EXPECT_EQ(DisplayPackageText(k.stored, FindCodePage(k.page)), k.utf8);
  }
  EXPECT_EQ(FindCodePage(866), nullptr);
}

TEST(Utf8, MalformedInputIsRefused) {
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xD0", "\x80", "a\xFE"}) {
    std::u32string out;
    EXPECT_FALSE(DecodeUtf8(bad, out)) << bad;
  }
  std::u32string out;
  EXPECT_TRUE(DecodeUtf8("\xF0\x9F\x98\x80", out));
  EXPECT_EQ(out, U"\U0001F600");
}

TEST(Display, HostileBytesCannotReachTheTerminalRaw) {
  // An escape sequence in a name would recolour or rewrite the terminal.
  EXPECT_EQ(DisplayPackageText("a\x1B[2Jb\r\n", nullptr), "a\\x1B[2Jb\\x0D\\x0A");
  EXPECT_EQ(DisplayPackageText("\xC6\x98", FindCodePage(1251)), "\xD0\x96\\x98");  // Ж, then an undefined byte
  EXPECT_EQ(DisplayPackageText("\xC6", nullptr), "\\xC6");
  EXPECT_EQ(DisplayUtf8("ok \xD0\x96 \xFF\x1B"), "ok \xD0\x96 \\xFF\\x1B");
  EXPECT_EQ(DisplayUtf8("\xC2\x9B" "31m"), "\\xC2\\x9B31m");  // C1 control sequence introducer
}

}  // namespace
