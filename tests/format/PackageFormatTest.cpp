#include "PackageFormat.h"

#include <gtest/gtest.h>

#include "PieceReader.h"

#include <cctype>
#include <string>
#include <vector>

using namespace Package;

namespace {

std::string DemoHeader(const std::string& key = "demo.exe") { return EncodeHeader(key, "Demo 1.0", "Demo", 2000000); }

std::string File(const std::string& name, const std::string& data) {
  return EncodeFileRecordStart(name, int32_t(data.size())) + data;
}

// The 276-byte example package: 1.0\doc\readme.txt and 1.0\demo.exe.
std::string WorkedExample() {
  return DemoHeader() + EncodeDirectoryRecord("1.0") + EncodeDirectoryRecord("doc") + File("readme.txt", "abc") +
         EncodeLeaveRecord() + File("demo.exe", std::string(200, 'x')) + EncodeLeaveRecord();
}

CheckResult Check(const std::string& bytes) {
  return CheckPackage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The package checked with names read as `text` reads them.
CheckResult CheckAs(const std::string& bytes, const TNameText& text) {
  TMemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  TPieceReader in(source, bytes.size(), 4096);
  return CheckPackage(in, RecordVisitor(), text);
}

// The Japanese code page as far as names need it: lead bytes 81-9F and
// E0-FC, and a lead byte that ends the name is no text.
class TJapaneseText : public TNameText {
 public:
  size_t CharacterSize(const std::string& name, size_t at) const override { return IsLead(name[at]) ? 2 : 1; }
  bool IsText(const std::string& name) const override {
    size_t at = 0;
    while (at < name.size()) at += CharacterSize(name, at);
    return at == name.size();
  }

 private:
  static bool IsLead(char c) { return (uint8_t(c) >= 0x81 && uint8_t(c) <= 0x9F) || uint8_t(c) >= 0xE0; }
};

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace

TEST(PackageFormat, WorkedExampleEncodesToTheExpectedBytes) {
  const std::string p = WorkedExample();
  ASSERT_EQ(p.size(), 276u);
  EXPECT_EQ(Hex(p.substr(0, 36)),
            "02000000" "64656D6F2E65786500" "44656D6F20312E3000" "44656D6F00" "80841E00" "00312E3000");
  EXPECT_EQ(Hex(p.substr(41, 19)), "02726561646D652E7478740003000000616263");
  EXPECT_EQ(Hex(p.substr(61, 14)), "0264656D6F2E65786500C8000000");
  EXPECT_EQ(uint8_t(p[275]), 1);

  const CheckResult r = Check(p);
  ASSERT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_EQ(r.Head.KeyFileName, "demo.exe");
  EXPECT_EQ(r.Head.Title, "Demo 1.0");
  EXPECT_EQ(r.Head.FolderName, "Demo");
  EXPECT_EQ(r.Head.RequiredSize, 2000000);
  EXPECT_EQ(r.Head.StreamOffset, 31u);
  EXPECT_EQ(r.RootDirName, "1.0");
  EXPECT_TRUE(r.KeyPresent);
  EXPECT_EQ(r.FinalDepth, 0);
  EXPECT_FALSE(r.BadKind);
}

TEST(PackageFormat, SmallestPackageIsSoundWithAnEmptyStream) {
  const std::string p = EncodeHeader("", "", "", 0);
  ASSERT_EQ(p.size(), size_t(MinimumSize));
  const CheckResult r = Check(p);
  EXPECT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_EQ(r.Head.StreamOffset, 11u);
  EXPECT_FALSE(r.KeyPresent);
}

TEST(PackageFormat, VersionIsOneLittleEndianInteger) {
  for (const char* version : {"\x02\x00\x00\x01", "\x01\x00\x00\x00", "\x03\x00\x00\x00"}) {
    const std::string p = std::string(version, 4) + DemoHeader().substr(4);
    EXPECT_EQ(Check(p).Status, CheckStatus::BadVersion) << Hex(std::string(version, 4));
  }
}

TEST(PackageFormat, UnknownKindStopsTheCheckWhereverItStands) {
  // Whatever follows a bad kind byte is never replayed, so it is not judged.
  const std::string p = DemoHeader() + EncodeDirectoryRecord("1.0") + "\x0A" + "garbage without terminator";
  const CheckResult r = Check(p);
  EXPECT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_TRUE(r.BadKind);
  EXPECT_EQ(r.BadKindOffset, 36u);
}

TEST(PackageFormat, FileDataMayHoldZeroAndKindLikeBytes) {
  const std::string data("\x00\x01\x02\xFF\x00", 5);
  const CheckResult r = Check(DemoHeader() + File("demo.exe", data) + File("empty", ""));
  EXPECT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_TRUE(r.KeyPresent);
}

TEST(PackageFormat, KeyNameComparesAsciiLettersWithoutCase) {
  EXPECT_TRUE(KeyNameMatches("SETUP.EXE", "setup.exe"));
  EXPECT_TRUE(KeyNameMatches("", ""));
  EXPECT_FALSE(KeyNameMatches("setup.ex", "setup.exe"));
  // Windows-1251 capital and small Cyrillic A differ: only a-z are folded.
  EXPECT_FALSE(KeyNameMatches("\xC0.exe", "\xE0.exe"));
  EXPECT_TRUE(KeyNameMatches("\xC0.EXE", "\xC0.exe"));
}

struct DamagedCase {
  const char* what;
  std::string bytes;
  size_t offset;
  const char* problem;  // a fragment of the reported problem
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.what; }

class DamagedPackage : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedPackage, IsRefusedWithWhatAndWhere) {
  const DamagedCase& c = GetParam();
  const CheckResult r = Check(c.bytes);
  ASSERT_EQ(r.Status, CheckStatus::Damaged) << c.what;
  EXPECT_EQ(r.ProblemOffset, c.offset) << c.what << ": " << r.Problem;
  EXPECT_NE(r.Problem.find(c.problem), std::string::npos) << c.what << ": " << r.Problem;
  EXPECT_NE(DescribeProblem(r).find("at byte offset " + std::to_string(c.offset)), std::string::npos);
}

const std::string head = DemoHeader();  // 31 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPackage,
    ::testing::Values(
        DamagedCase{"three bytes", std::string("\x02\x00\x00", 3), 0, "version"},
        DamagedCase{"key name cut", std::string("\x02\x00\x00\x00" "demo", 8), 4, "key file name"},
        DamagedCase{"title cut", head.substr(0, 16), 13, "title"},
        DamagedCase{"folder cut", head.substr(0, 24), 22, "folder name"},
        DamagedCase{"required size cut", head.substr(0, 29), 27, "required size"},
        DamagedCase{"folder climbing", EncodeHeader("demo.exe", "Demo 1.0", "..\\..\\Windows", 0), 22, "folder name"},
        DamagedCase{"folder on a drive", EncodeHeader("demo.exe", "Demo 1.0", "D:\\Demo", 0), 22, "colon"},
        DamagedCase{"folder absolute", EncodeHeader("demo.exe", "Demo 1.0", "\\Demo", 0), 22, "absolute"},
        DamagedCase{"folder device", EncodeHeader("demo.exe", "Demo 1.0", "NUL", 0), 22, "reserved"},
        DamagedCase{"directory name cut", head + std::string("\x00" "1.", 3), 31, "without terminating zero"},
        DamagedCase{"title longer than any path", EncodeHeader("demo.exe", std::string(StringLengthLimit + 1, 'T'), "Demo", 0),
                    13, "title longer than 32767 bytes"},
        DamagedCase{"name without end longer than any path", head + "\x02" + std::string(StringLengthLimit + 5, 'n'), 31,
                    "file record name longer than 32767 bytes"},
        DamagedCase{"file size cut", head + std::string("\x02" "a\x00\x03\x00", 5), 34, "size field"},
        DamagedCase{"negative size", head + EncodeFileRecordStart("a", -1), 34, "negative size"},
        DamagedCase{"data past end", head + EncodeFileRecordStart("a", 4) + "abc", 38, "past the end"},
        DamagedCase{"empty directory name", head + EncodeDirectoryRecord(""), 31, "empty name"},
        DamagedCase{"empty file name", head + File("", "x"), 31, "empty name"},
        DamagedCase{"backslash root", head + File("\\Windows\\evil.dll", "x"), 31, "absolute"},
        DamagedCase{"slash root", head + EncodeDirectoryRecord("/etc"), 31, "absolute"},
        DamagedCase{"drive letter", head + File("C:evil.dll", "x"), 31, "colon"},
        DamagedCase{"data stream", head + File("readme.txt:hidden", "x"), 31, "colon"},
        DamagedCase{"wildcard", head + File("*.dll", "x"), 31, "does not allow"},
        DamagedCase{"quote", head + EncodeDirectoryRecord("say \"hi\""), 31, "does not allow"},
        DamagedCase{"control character", head + File("a\tb.txt", "x"), 31, "does not allow"},
        DamagedCase{"dot-dot file", head + File("..\\evil.dll", "x"), 31, ".."},
        DamagedCase{"dot-dot inside", head + EncodeDirectoryRecord("a/../../b"), 31, ".."},
        DamagedCase{"dot-dot with space", head + EncodeDirectoryRecord("a\\.. \\b"), 31, "ending in a dot or a space"},
        DamagedCase{"three dots", head + File("...", "x"), 31, "ending in a dot or a space"},
        DamagedCase{"directory with trailing space", head + EncodeDirectoryRecord("a "), 31, "ending in a dot or a space"},
        DamagedCase{"file with trailing dot", head + File("readme.txt.", "x"), 31, "ending in a dot or a space"},
        DamagedCase{"folder with trailing dot", EncodeHeader("demo.exe", "Demo 1.0", "Demo.", 0), 22, "ending in a dot"},
        DamagedCase{"device", head + File("CON", "x"), 31, "reserved"},
        DamagedCase{"device with extension", head + File("doc\\nul.txt", "x"), 31, "reserved"},
        DamagedCase{"device lower case", head + EncodeDirectoryRecord("com7"), 31, "reserved"},
        DamagedCase{"device with space", head + File("LPT1 .log", "x"), 31, "reserved"},
        DamagedCase{"console device", head + File("conout$.txt", "x"), 31, "reserved"},
        DamagedCase{"console input device", head + EncodeDirectoryRecord("a\\CONIN$"), 31, "reserved"},
        DamagedCase{"device with superscript digit", head + File("COM\xB9", "x"), 31, "reserved"},
        DamagedCase{"printer with superscript digit", head + File("lpt\xB3.prn", "x"), 31, "reserved"},
        DamagedCase{"file above target", head + EncodeLeaveRecord() + File("evil.dll", "x"), 32, "above the target"},
        DamagedCase{"directory above target",
                    head + EncodeDirectoryRecord("a\\b") + EncodeLeaveRecord() + EncodeLeaveRecord() +
                        EncodeLeaveRecord() + EncodeDirectoryRecord("x"),
                    39, "above the target"}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) name += std::isalnum(uint8_t(*p)) ? *p : '_';
      return name;
    });

// One rule for directory and file names, for every component of a name.
// Windows would make another name of a component ending in a dot or a space
// ("a " makes the folder "a", which "a \" then does not enter).
struct NameRuleCase {
  const char* name;
  const char* problem;  // fragment of the refusal; "" when the name is fine
};

class NameRule : public ::testing::TestWithParam<NameRuleCase> {};

TEST_P(NameRule, AcceptsOrRefuses) {
  const std::string problem = NameProblem(GetParam().name);
  if (*GetParam().problem)
    EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << "problem: " << problem;
  else
    EXPECT_EQ(problem, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameRule,
    ::testing::Values(
        // Names that only look odd.
        NameRuleCase{"a.b", ""}, NameRuleCase{".profile", ""}, NameRuleCase{"read me.txt", ""},
        NameRuleCase{" leading space", ""}, NameRuleCase{"a b\\c d", ""}, NameRuleCase{"a..b", ""},
        NameRuleCase{"...x", ""}, NameRuleCase{"x. y", ""}, NameRuleCase{"a/b", ""}, NameRuleCase{"a\\b\\", ""},
        NameRuleCase{"CONSOLE.txt", ""}, NameRuleCase{"COM10", ""}, NameRuleCase{"LPT0", ""},
        NameRuleCase{"CONOUT", ""}, NameRuleCase{"CONIN$x", ""}, NameRuleCase{"COM\xB9\xB9", ""},
        NameRuleCase{"LPT\xBC", ""}, NameRuleCase{"\x83\x7C.txt", ""}, NameRuleCase{"aux_file", ""},
        NameRuleCase{"\xC4\xE0\xED\xED\xFB\xE5", ""},
        // A trailing dot or space, in any component.
        NameRuleCase{"a ", "ending in a dot or a space"}, NameRuleCase{"b..", "ending in a dot or a space"},
        NameRuleCase{"readme.txt.", "ending in a dot or a space"}, NameRuleCase{"a \\b", "ending in a dot or a space"},
        NameRuleCase{"a\\b.\\c", "ending in a dot or a space"}, NameRuleCase{"a/b /c", "ending in a dot or a space"},
        NameRuleCase{".", "ending in a dot or a space"}, NameRuleCase{".\\x", "ending in a dot or a space"},
        NameRuleCase{"...", "ending in a dot or a space"}, NameRuleCase{".. ", "ending in a dot or a space"},
        NameRuleCase{"x\\ ", "ending in a dot or a space"},
        // The other refusals keep their own reasons.
        NameRuleCase{"..", "climbing"}, NameRuleCase{"a\\..\\b", "climbing"}, NameRuleCase{"nul. ", "ending in"},
        NameRuleCase{"nul.txt", "reserved"}, NameRuleCase{"", "empty"}, NameRuleCase{"/a", "absolute"}),
    [](const ::testing::TestParamInfo<NameRuleCase>& info) { return std::to_string(info.index); });

TEST(PackageFormat, LeavesAboveTheTargetWithNothingAfterThemAreHarmless) {
  const CheckResult r = Check(DemoHeader() + EncodeDirectoryRecord("1.0") + EncodeLeaveRecord() + EncodeLeaveRecord() +
                              EncodeLeaveRecord());
  EXPECT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_EQ(r.FinalDepth, -2);
}

TEST(PackageFormat, DirectoryNameWithSeveralComponentsEntersThemAll) {
  // a\b enters two levels: one leave still stands inside the target.
  EXPECT_EQ(EnteredLevels("a\\b"), 2);
  EXPECT_EQ(EnteredLevels("a\\.\\b\\"), 2);
  const CheckResult r = Check(DemoHeader() + EncodeDirectoryRecord("a\\b") + EncodeLeaveRecord() + File("demo.exe", ""));
  EXPECT_EQ(r.Status, CheckStatus::Sound);
  EXPECT_EQ(r.FinalDepth, 1);
}

TEST(PackageFormat, VisitorSeesEachSoundRecordWithItsPlace) {
  const std::string p = WorkedExample() + EncodeFileRecordStart("cut", 9) + "abc";
  std::vector<std::string> seen;
  const CheckResult r = CheckPackage(reinterpret_cast<const uint8_t*>(p.data()), p.size(), [&](const RecordInfo& info) {
    seen.push_back(std::to_string(int(info.Kind)) + " " + info.Name + " @" + std::to_string(info.Offset) +
                   (info.Kind == KindFile ? " data " + std::to_string(info.DataSize) + " @" + std::to_string(info.DataOffset)
                                          : ""));
  });
  EXPECT_EQ(r.Status, CheckStatus::Damaged);
  const std::vector<std::string> expected = {"0 1.0 @31", "0 doc @36", "2 readme.txt @41 data 3 @57", "1  @60",
                                             "2 demo.exe @61 data 200 @75", "1  @275"};
  EXPECT_EQ(seen, expected);  // the damaged record at 276 is not offered
}

TEST(PackageFormat, StringsAsLongAsTheLongestPathLoad) {
  const std::string longest(StringLengthLimit, 'n');
  const CheckResult r = Check(EncodeHeader(longest, longest, longest, 0) + EncodeDirectoryRecord(longest) +
                              File(longest, "x") + EncodeLeaveRecord());
  ASSERT_EQ(r.Status, CheckStatus::Sound) << r.Problem;
  EXPECT_EQ(r.Head.Title, longest);
  EXPECT_TRUE(r.KeyPresent);
}

// A long name would make a message box of its own size: problem texts
// show its start, cut after a whole character.
TEST(PackageFormat, ProblemTextsShowLongNamesCutShort) {
  const std::string longName = "\\" + std::string(StringLengthLimit - 1, 'n');
  EXPECT_EQ(Check(head + File(longName, "x")).Problem,
            "file record with absolute name \"" + longName.substr(0, ShownNameLength) + "...\"");
  const std::string fits(ShownNameLength, 'n');
  EXPECT_EQ(Check(head + EncodeLeaveRecord() + File(fits, "x")).Problem,
            "file record \"" + fits + "\" above the target directory");

  std::string japanese = "a";
  while (japanese.size() < 2 * ShownNameLength) japanese += "\x82\xA0";
  EXPECT_EQ(ShownName(japanese), japanese.substr(0, ShownNameLength) + "...");
  EXPECT_EQ(ShownName(japanese, TJapaneseText()), japanese.substr(0, ShownNameLength - 1) + "...");
}

// In a double-byte code page 95 5C is one character, whose second byte is
// that of a backslash: the levels and components are those Windows sees.
TEST(PackageFormat, DoubleByteCharactersAreNotCutAtABackslashByte) {
  const TJapaneseText japanese;
  EXPECT_EQ(EnteredLevels("\x95\\x"), 2);
  EXPECT_EQ(EnteredLevels("\x95\\x", japanese), 1);
  EXPECT_EQ(EnteredLevels("\x95\\\\x", japanese), 2);
  EXPECT_NE(NameProblem("\x95\\CON"), "");
  EXPECT_EQ(NameProblem("\x95\\CON", japanese), "");
  EXPECT_NE(NameProblem("\x95\\..", japanese), "");

  // Left twice after one level: the file lies above the target.
  const std::string package = DemoHeader() + EncodeDirectoryRecord("\x95\\x") + EncodeLeaveRecord() +
                              EncodeLeaveRecord() + File("demo.exe", "x");
  EXPECT_EQ(Check(package).Status, CheckStatus::Sound);
  const CheckResult r = CheckAs(package, japanese);
  EXPECT_EQ(DescribeProblem(r), "file record \"demo.exe\" above the target directory at byte offset 38");
}

TEST(PackageFormat, NamesThatAreNoTextInTheCodePageAreRefused) {
  const TJapaneseText japanese;
  EXPECT_EQ(NameProblem("a\x81"), "");
  EXPECT_EQ(NameProblem("a\x81", japanese), "name that is not text in the system's code page \"a\x81\"");
  EXPECT_EQ(NameProblem("a\x81\x40", japanese), "");

  const CheckResult folder = CheckAs(EncodeHeader("demo.exe", "Demo", "\x81", 0), japanese);
  EXPECT_EQ(DescribeProblem(folder), "folder name with name that is not text in the system's code page \"\x81\" at byte offset 18");
  const CheckResult file = CheckAs(head + EncodeDirectoryRecord("1.0") + File("a\x81", "x"), japanese);
  EXPECT_EQ(file.ProblemOffset, 36u);
  EXPECT_NE(file.Problem.find("file record with name that is not text"), std::string::npos) << file.Problem;
}
