// The removal record: what survives writing and reading back, which damage
// is caught, and which named items lie outside the product's own.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "RemovalRecord.h"

using namespace Removal;

namespace {

const std::wstring Programs = L"C:\\users\\u\\Start Menu\\Programs";

TRemovalRecord SampleRecord() {
  TRemovalRecord r;
  r.Title = L"Quorvix Forge 1.0";
  r.Name = L"QuorvixForge";
  r.Version = L"1.0";
  r.Language = 1;
  r.ProductFolder = L"C:\\Program Files\\QuorvixForge";
  r.MenuRoot = Programs + L"\\QuorvixForge";
  r.Add(Kind::Folder, r.ProductFolder + L"\\1.0");
  r.Add(Kind::File, r.ProductFolder + L"\\1.0\\Прочти меня.txt", TFileIdentity{0x1234ABCD, 0x0000000500000007});
  r.Add(Kind::Replaced, r.ProductFolder + L"\\1.0\\old.txt");
  r.Add(Kind::MenuFolder, r.MenuRoot);
  r.Add(Kind::Link, r.MenuRoot + L"\\Web.lnk");
  r.Add(Kind::Key, r.VersionKey());
  r.Add(Kind::ProductKey, r.ProductKey());
  r.Add(Kind::Key, r.EntryKey());
  return r;
}

bool SameRecord(const TRemovalRecord& a, const TRemovalRecord& b) {
  if (a.Entries.size() != b.Entries.size()) return false;
  for (size_t i = 0; i < a.Entries.size(); ++i)
    if (a.Entries[i].kind != b.Entries[i].kind || a.Entries[i].path != b.Entries[i].path ||
        a.Entries[i].identity != b.Entries[i].identity)
      return false;
  return a.Title == b.Title && a.Name == b.Name && a.Version == b.Version && a.Language == b.Language &&
         a.ProductFolder == b.ProductFolder && a.MenuRoot == b.MenuRoot;
}

TEST(RemovalRecord, ReadsBackWhatWasWrittenCyrillicIncluded) {
  const TRemovalRecord written = SampleRecord();
  TRemovalRecord read;
  std::string problem;
  ASSERT_TRUE(TRemovalRecord::Parse(written.Serialize(), read, problem)) << problem;
  EXPECT_TRUE(SameRecord(read, written));
  EXPECT_EQ(read.OutsideProblem(Programs), "");
}

TEST(RemovalRecord, AddKeepsOneEntryPerPathAndAReplacedFileNeverHidesACreatedOne) {
  TRemovalRecord r = SampleRecord();
  const size_t before = r.Entries.size();
  r.Add(Kind::File, L"c:\\program files\\quorvixforge\\1.0\\прочти меня.txt");  // another case
  EXPECT_EQ(r.Entries[1].identity, (TFileIdentity{0x1234ABCD, 0x0000000500000007})) << "no identity keeps the one known";
  // A reinstall replaces what the first run made: the entry stays a file
  // made by the install, and the file is the one written last.
  r.Add(Kind::Replaced, r.ProductFolder + L"\\1.0\\Прочти меня.txt", TFileIdentity{0x1234ABCD, 9});
  EXPECT_EQ(r.Entries.size(), before);
  EXPECT_EQ(r.Entries[1].kind, Kind::File);
  EXPECT_EQ(r.Entries[1].identity, (TFileIdentity{0x1234ABCD, 9}));
}

// A record an earlier version of setup wrote has no identities: it is
// still read, each entry then without one.
TEST(RemovalRecord, ReadsARecordOfTheFirstVersionWithoutIdentities) {
  const std::string first = "Removal record 1\r\nTitle\tQuorvix Forge 1.0\r\nName\tQuorvixForge\r\nVersion\t1.0\r\n"
                            "Language\t0\r\nFolder\tC:\\Program Files\\QuorvixForge\r\nMenu\t\r\n"
                            "D\tC:\\Program Files\\QuorvixForge\\1.0\r\nF\tC:\\Program Files\\QuorvixForge\\1.0\\a.txt\r\n"
                            "End\t2\r\n";
  TRemovalRecord read;
  std::string problem;
  ASSERT_TRUE(TRemovalRecord::Parse(first, read, problem)) << problem;
  ASSERT_EQ(read.Entries.size(), 2u);
  EXPECT_EQ(read.Entries[1].path, L"C:\\Program Files\\QuorvixForge\\1.0\\a.txt");
  EXPECT_FALSE(read.Entries[1].HasIdentity());
  EXPECT_EQ(read.OutsideProblem(Programs), "");
}

struct DamageCase {
  const char* name;
  std::function<std::string(std::string)> spoil;
};

std::ostream& operator<<(std::ostream& out, const DamageCase& c) { return out << c.name; }

class DamagedRecord : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedRecord, IsRefusedWithAReason) {
  TRemovalRecord read;
  std::string problem;
  EXPECT_FALSE(TRemovalRecord::Parse(GetParam().spoil(SampleRecord().Serialize()), read, problem));
  EXPECT_NE(problem, "");
  EXPECT_TRUE(read.Entries.empty());  // nothing of a damaged record is taken
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedRecord,
    ::testing::Values(
        DamageCase{"Empty", [](std::string) { return std::string(); }},
        DamageCase{"CutAtAnyLine", [](std::string t) { return t.substr(0, t.find("K\t")); }},
        DamageCase{"CutInsideALine", [](std::string t) { return t.substr(0, t.size() - 3); }},
        DamageCase{"CountTooHigh", [](std::string t) { return Replaced(t, "End\t8", "End\t9"); }},
        DamageCase{"LineWithoutTab", [](std::string t) { return Replaced(t, "L\t", "L "); }},
        DamageCase{"UnknownKind", [](std::string t) { return Replaced(t, "L\t", "Z\t"); }},
        DamageCase{"NotUtf8", [](std::string t) { return Replaced(t, "\xD0\x9F", "\xD0"); }},
        DamageCase{"HeaderOutOfOrder", [](std::string t) { return Replaced(t, "Name\t", "Nom\t"); }},
        DamageCase{"LanguageNoNumber", [](std::string t) { return Replaced(t, "Language\t1", "Language\tx"); }},
        DamageCase{"OtherFormatVersion", [](std::string t) { return Replaced(t, "record 2", "record 3"); }},
        DamageCase{"IdentityNotHexadecimal", [](std::string t) { return Replaced(t, "\t1234ABCD", "\tx234ABCD"); }},
        DamageCase{"IdentityMissing", [](std::string t) { return Replaced(t, "M\t-\t", "M\t"); }},
        DamageCase{"BareLineFeeds", [](std::string t) {
                     std::string out;
                     for (char c : t)
                       if (c != '\r') out += c;
                     return out;
                   }}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

struct OutsideCase {
  const char* name;
  std::function<void(TRemovalRecord&)> change;
  std::string phrase;  // a part of the refusal's reason that only this fault gives
};

std::ostream& operator<<(std::ostream& out, const OutsideCase& c) { return out << c.name; }

class RecordNamingOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(RecordNamingOutside, IsRefusedForItsFault) {
  TRemovalRecord r = SampleRecord();
  GetParam().change(r);
  const std::string problem = r.OutsideProblem(Programs);
  EXPECT_NE(problem.find(GetParam().phrase), std::string::npos) << problem;
}

const std::wstring Version = L"C:\\Program Files\\QuorvixForge\\1.0";
const std::string VersionText = "C:\\Program Files\\QuorvixForge\\1.0";
const std::string NoFolderName = "its product or version name is no folder name";

// What the refusal of an entry says: the path it names.
std::string Names(const std::string& path) { return "it names \"" + path + "\", which is not the product's own"; }
std::string NotTheProductFolder(const std::string& folder) {
  return "its product folder \"" + folder + "\" is not a folder named \"QuorvixForge\"";
}

INSTANTIATE_TEST_SUITE_P(
    Outside, RecordNamingOutside,
    ::testing::Values(
        OutsideCase{"FileElsewhere", [](TRemovalRecord& r) { r.Add(Kind::File, L"C:\\windows\\win.ini"); },
                    Names("C:\\windows\\win.ini")},
        OutsideCase{"SiblingWithTheSamePrefix",
                    [](TRemovalRecord& r) { r.Add(Kind::File, L"C:\\Program Files\\QuorvixForgeX\\a.txt"); },
                    Names("C:\\Program Files\\QuorvixForgeX\\a.txt")},
        OutsideCase{"ClimbingOut", [](TRemovalRecord& r) { r.Add(Kind::File, Version + L"\\..\\..\\Other\\a.txt"); },
                    Names(VersionText + "\\..\\..\\Other\\a.txt")},
        OutsideCase{"DotComponent", [](TRemovalRecord& r) { r.Add(Kind::Folder, Version + L"\\.\\x"); },
                    Names(VersionText + "\\.\\x")},
        OutsideCase{"TrailingDotTrimmedBySystem", [](TRemovalRecord& r) { r.Add(Kind::File, Version + L"\\..."); },
                    Names(VersionText + "\\...")},
        // Below the version folder by its backslash, then out by slashes.
        OutsideCase{"ForwardSlash", [](TRemovalRecord& r) { r.Add(Kind::File, Version + L"\\sub/../../x"); },
                    Names(VersionText + "\\sub/../../x")},
        OutsideCase{"AlternateStream", [](TRemovalRecord& r) { r.Add(Kind::File, Version + L"\\a.txt:hidden"); },
                    Names(VersionText + "\\a.txt:hidden")},
        // The folder's last name is the product's: only the prefix is wrong.
        OutsideCase{"DevicePathPrefix",
                    [](TRemovalRecord& r) { r.ProductFolder = L"\\\\?\\C:\\Program Files\\QuorvixForge"; },
                    NotTheProductFolder("\\\\?\\C:\\Program Files\\QuorvixForge")},
        OutsideCase{"TheProductFolderItselfAsAFile", [](TRemovalRecord& r) { r.Add(Kind::File, r.ProductFolder); },
                    Names("C:\\Program Files\\QuorvixForge")},
        OutsideCase{"ProductFolderNotNamedForTheProduct", [](TRemovalRecord& r) { r.ProductFolder = L"C:\\windows"; },
                    NotTheProductFolder("C:\\windows")},
        OutsideCase{"ProductFolderADriveRoot", [](TRemovalRecord& r) { r.ProductFolder = L"C:\\"; },
                    NotTheProductFolder("C:\\")},
        OutsideCase{"ProductNamedADrive",
                    [](TRemovalRecord& r) {
                      r.Name = L"C:";
                      r.ProductFolder = L"C:";
                    },
                    NoFolderName},
        OutsideCase{"LinkOutsideTheMenuFolder", [](TRemovalRecord& r) { r.Add(Kind::Link, Programs + L"\\Other.lnk"); },
                    Names("C:\\users\\u\\Start Menu\\Programs\\Other.lnk")},
        OutsideCase{"LinkUnderTheProductFolder", [](TRemovalRecord& r) { r.Add(Kind::Link, Version + L"\\x.lnk"); },
                    Names(VersionText + "\\x.lnk")},
        OutsideCase{"MenuFolderNotInPrograms",
                    [](TRemovalRecord& r) { r.MenuRoot = L"C:\\users\\u\\Desktop\\QuorvixForge"; },
                    "its Start-menu folder \"C:\\users\\u\\Desktop\\QuorvixForge\" is not the product's folder in "
                    "\"C:\\users\\u\\Start Menu\\Programs\""},
        OutsideCase{"FolderInTheMenu", [](TRemovalRecord& r) { r.Add(Kind::Folder, r.MenuRoot + L"\\x"); },
                    Names("C:\\users\\u\\Start Menu\\Programs\\QuorvixForge\\x")},
        OutsideCase{"KeyOfAnotherProduct", [](TRemovalRecord& r) { r.Add(Kind::Key, L"Software\\Other\\Versions\\1.0"); },
                    Names("Software\\Other\\Versions\\1.0")},
        OutsideCase{"KeyBelowTheVersionKey", [](TRemovalRecord& r) { r.Add(Kind::Key, r.VersionKey() + L"\\..\\.."); },
                    Names("Software\\QuorvixForge\\Versions\\1.0\\..\\..")},
        OutsideCase{"WholeUninstallList", [](TRemovalRecord& r) { r.Add(Kind::Key, UninstallKeyRoot); },
                    Names("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")},
        OutsideCase{"ProductKeyOfAnother", [](TRemovalRecord& r) { r.Add(Kind::ProductKey, L"Software\\Microsoft"); },
                    Names("Software\\Microsoft")},
        OutsideCase{"NameWithABackslash", [](TRemovalRecord& r) { r.Name = L"Forge\\..\\Microsoft"; }, NoFolderName}),
    [](const ::testing::TestParamInfo<OutsideCase>& info) { return std::string(info.param.name); });

TEST(RemovalRecord, PathsCompareWithoutRegardToCase) {
  TRemovalRecord r = SampleRecord();
  r.Add(Kind::File, L"c:\\PROGRAM FILES\\quorvixforge\\1.0\\b.txt");
  r.Add(Kind::Link, L"C:\\USERS\\U\\start menu\\programs\\quorvixforge\\a.lnk");
  EXPECT_EQ(r.OutsideProblem(L"c:\\users\\u\\start menu\\programs"), "");
}

}  // namespace
