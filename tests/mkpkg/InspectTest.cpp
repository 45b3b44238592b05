// mkpkg list and verify: a package read back, damaged ones included.
#include <gtest/gtest.h>

#include "Inspect.h"
#include "PackageFile.h"
#include "PackageFormat.h"
#include "TestTree.h"

using namespace Mkpkg;
using namespace Package;

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string File(const std::string& name, const std::string& data) {
  return EncodeFileRecordStart(name, int32_t(data.size())) + data;
}

TEST(List, ShowsTheHeaderAndEveryEntryWithItsPath) {
  const std::string p = MkpkgTest::WorkedExampleBytes();
  const Listing l = ListPackage(Bytes(p), p.size(), nullptr);
  EXPECT_EQ(l.Problem, "");
  EXPECT_EQ(l.Text,
            "Key file:      demo.exe\n"
            "Title:         Demo 1.0\n"
            "Folder:        Demo\n"
            "Required size: 2000000 bytes\n"
            "d            0  1.0\\\n"
            "d            0  1.0\\doc\\\n"
            "-            3  1.0\\doc\\readme.txt\n"
            "-          200  1.0\\demo.exe\n");
}

TEST(List, DecodesNamesFromTheCodePageOrShowsTheBytes) {
  const std::string p = EncodeHeader("\xCF.exe", "\xD4\xEE\xF0\xE6", "F", 0) + EncodeDirectoryRecord("a\\b") +
                        EncodeLeaveRecord() + File("\xCF.exe", "") + EncodeLeaveRecord();
  const Listing cyrillic = ListPackage(Bytes(p), p.size(), FindCodePage(1251));
  EXPECT_NE(cyrillic.Text.find("Title:         \xD0\xA4\xD0\xBE\xD1\x80\xD0\xB6\n"), std::string::npos);
  // One leave after "a\b" stands in a again.
  EXPECT_NE(cyrillic.Text.find("-            0  a\\\xD0\x9F.exe\n"), std::string::npos) << cyrillic.Text;
  const Listing raw = ListPackage(Bytes(p), p.size(), nullptr);
  EXPECT_NE(raw.Text.find("a\\\\xCF.exe"), std::string::npos) << raw.Text;
}

TEST(List, StopsAtDamageAndSaysWhere) {
  const std::string p = EncodeHeader("k", "t", "f", 0) + EncodeDirectoryRecord("1.0") + EncodeFileRecordStart("k", 9) + "abc";
  const Listing l = ListPackage(Bytes(p), p.size(), nullptr);
  EXPECT_NE(l.Text.find("d            0  1.0\\\n"), std::string::npos);
  EXPECT_EQ(l.Problem, "file record \"k\" data runs past the end of the file at byte offset 26");
}

struct VerifyCase {
  const char* what;
  std::string bytes;
  const char* problem;  // fragment of the first problem; "" when sound
};

void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.what; }

class Verify : public ::testing::TestWithParam<VerifyCase> {};

TEST_P(Verify, FindsWhatIsWrongAndWhere) {
  const VerifyCase& c = GetParam();
  const Verdict v = VerifyPackage(Bytes(c.bytes), c.bytes.size(), nullptr);
  if (!*c.problem) {
    EXPECT_TRUE(v.Problems.empty()) << v.Problems.front();
    return;
  }
  ASSERT_FALSE(v.Problems.empty());
  EXPECT_NE(v.Problems.front().find(c.problem), std::string::npos) << v.Problems.front();
}

const std::string head = EncodeHeader("demo.exe", "Demo 1.0", "Demo", 2000000);  // 31 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, Verify,
    ::testing::Values(
        VerifyCase{"worked example", MkpkgTest::WorkedExampleBytes(), ""},
        VerifyCase{"key in other case", head + EncodeDirectoryRecord("1.0") + File("DEMO.EXE", "") + EncodeLeaveRecord(), ""},
        VerifyCase{"version 3", std::string("\x03\x00\x00\x00", 4) + head.substr(4), "bad version 3 (the installer reads version 2) at byte offset 0"},
        VerifyCase{"version bytes 02 00 00 01", std::string("\x02\x00\x00\x01", 4) + head.substr(4), "bad version 16777218"},
        VerifyCase{"empty file", "", "header shorter than its version field at byte offset 0"},
        VerifyCase{"header cut", head.substr(0, 29), "header ends inside the required size at byte offset 27"},
        VerifyCase{"data past end", head + EncodeFileRecordStart("demo.exe", 5) + "ab", "past the end of the file at byte offset 45"},
        VerifyCase{"negative size", head + EncodeFileRecordStart("demo.exe", -1), "negative size -1 at byte offset 41"},
        VerifyCase{"climbing name", head + File("..\\evil.dll", "x"), "climbing with \"..\" \"..\\evil.dll\" at byte offset 31"},
        VerifyCase{"drive name", head + File("C:\\evil.dll", "x"), "colon"},
        VerifyCase{"file above target", head + EncodeLeaveRecord() + File("demo.exe", "x"), "above the target directory at byte offset 32"},
        VerifyCase{"unknown kind", head + EncodeDirectoryRecord("1.0") + File("demo.exe", "") + "\x0A" + EncodeLeaveRecord(),
                   "unknown record kind 0x0A at byte offset 50: the installer stops extracting there (Bad Command: 0A)"},
        VerifyCase{"key missing", head + EncodeDirectoryRecord("1.0") + File("other.exe", "") + EncodeLeaveRecord(),
                   "the key file \"demo.exe\" is not in the package"},
        VerifyCase{"leave missing", head + EncodeDirectoryRecord("1.0") + File("demo.exe", ""),
                   "extraction ends 1 level below the target folder at byte offset 50"},
        VerifyCase{"leave too many", head + EncodeDirectoryRecord("1.0") + File("demo.exe", "") + EncodeLeaveRecord() + EncodeLeaveRecord(),
                   "extraction ends 1 level above the target folder at byte offset 52"}),
    [](const ::testing::TestParamInfo<VerifyCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) name += std::isalnum(uint8_t(*p)) ? *p : '_';
      return name;
    });

TEST(VerifyReport, ListsEveryProblemOfASoundlyBuiltStream) {
  const std::string p = head + EncodeDirectoryRecord("1.0") + EncodeDirectoryRecord("doc") + File("x", "") + "\xFF";
  const Verdict v = VerifyPackage(Bytes(p), p.size(), nullptr);
  ASSERT_EQ(v.Problems.size(), 3u);
  EXPECT_NE(v.Problems[0].find("Bad Command: FF"), std::string::npos);
  EXPECT_NE(v.Problems[1].find("not in the package"), std::string::npos);
  EXPECT_NE(v.Problems[2].find("2 levels below"), std::string::npos);
}

TEST(VerifyReport, SummaryOfASoundPackage) {
  const std::string p = MkpkgTest::WorkedExampleBytes();
  EXPECT_EQ(VerifyPackage(Bytes(p), p.size(), nullptr).Summary,
            "sound: version folder 1.0, 2 folders, 2 files, key file 1.0\\demo.exe");
}

TEST(VerifyReport, HostileNamesAreShownEscaped) {
  const std::string p = head + File("..\\\x1B]0;owned\x07", "x");
  const Verdict v = VerifyPackage(Bytes(p), p.size(), nullptr);
  ASSERT_EQ(v.Problems.size(), 1u);
  EXPECT_EQ(v.Problems[0].find('\x1B'), std::string::npos);
  EXPECT_NE(v.Problems[0].find("\\x1B]0;owned\\x07"), std::string::npos) << v.Problems[0];
}

TEST(PackageFileRead, RefusesWhatTheInstallerCannotLoad) {
  MkpkgTest::TestTree tree;
  tree.Write("data.z", MkpkgTest::WorkedExampleBytes());
  EXPECT_EQ(ReadPackageFile(tree.Utf8("data.z")).size(), 276u);
  EXPECT_THROW(ReadPackageFile(tree.Utf8("missing.z")), std::exception);
  EXPECT_THROW(ReadPackageFile(tree.Utf8("")), std::exception);  // a folder
#ifndef _WIN32
  tree.Write("huge.z", "");
  std::filesystem::resize_file(tree.Path("huge.z"), uintmax_t(1) << 31);
  try {
    ReadPackageFile(tree.Utf8("huge.z"));
    ADD_FAILURE() << "read a package of 2 GiB";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("must stay under 2 GiB"), std::string::npos) << e.what();
  }
#endif
}

}  // namespace
