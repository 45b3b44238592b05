// A package that cannot be used: exactly one error box with the loader's
// text, then the program ends with exit code 0.
#include <gtest/gtest.h>

#include <ostream>

#include "GuiDriver.h"
#include "PackageFormat.h"
#include "RequiredCodePage.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

// The demo package's header is 31 bytes: version (0), "demo.exe" (4),
// "Demo 1.0" (13), "Demo" (22), the required size (27). Its version folder
// record follows at 31, the file record of demo.exe at 36, whose size field
// is at 46 and data at 50.
std::string Header(const std::string& folderName = "Demo") {
  return Package::EncodeHeader("demo.exe", "Demo 1.0", folderName, 2000000);
}

std::string VersionFolder() { return Package::EncodeDirectoryRecord("1.0"); }

// A package that loads: demo.exe in a version folder named `versionFolder`,
// or at the top of the package when that is empty.
std::string SoundPackage(const std::string& folderName, const std::string& versionFolder) {
  const std::string file = Package::EncodeFileRecordStart("demo.exe", 2) + "MZ";
  if (versionFolder.empty()) return Header(folderName) + file;
  return Header(folderName) + Package::EncodeDirectoryRecord(versionFolder) + file + Package::EncodeLeaveRecord();
}

struct Case {
  const char* name;
  bool present;
  std::string bytes;
  std::wstring text;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

void ExpectOneErrorThenEnd(const Case& c) {
  SetupRun run(c.present ? &c.bytes : nullptr);
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  const Dialog shown = ReadDialog(box);
  EXPECT_EQ(shown.Caption, L"Error");
  EXPECT_EQ(shown.Text, c.text);
  EXPECT_EQ(shown.Buttons, std::vector<std::wstring>{L"OK"});
  ASSERT_TRUE(AnswerDialog(box, L"OK"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  // No second box: the next wait ends with the program.
  EXPECT_EQ(run.Program->WaitForDialog(), nullptr);
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

class LoadFailure : public ::testing::TestWithParam<Case> {};

TEST_P(LoadFailure, ShowsOneErrorThenEnds) { ExpectOneErrorThenEnd(GetParam()); }

const std::wstring BadFormat = L"Bad format of file: \"data.z\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Packages, LoadFailure,
    ::testing::Values(
        Case{"Missing", false, "", L"Can not open file data.z"},
        Case{"Empty", true, "", L"Can not open file data.z"},
        Case{"Version3", true, std::string("\x03\x00\x00\x00", 4) + SetupTest::DemoPackage().substr(4),
             L"Bad version of file: \"data.z\""},
        Case{"ShorterThanTheVersion", true, std::string("\x02\x00\x00", 3),
             BadFormat + L"header shorter than its version field at byte offset 0"},
        Case{"TitleCut", true, Header().substr(0, 16), BadFormat + L"title without terminating zero byte at byte offset 13"},
        Case{"TitleLongerThanAnyPath", true,
             Package::EncodeHeader("demo.exe", std::string(Package::StringLengthLimit + 1, 'T'), "Demo", 0),
             BadFormat + L"title longer than 32767 bytes at byte offset 13"},
        Case{"LongNameShownCutShort", true,
             Header() + VersionFolder() + Package::EncodeFileRecordStart("\\" + std::string(5000, 'n'), 1) + "x",
             BadFormat + L"file record with absolute name \"\\" + std::wstring(79, L'n') + L"...\" at byte offset 36"},
        Case{"RequiredSizeCut", true, Header().substr(0, 29),
             BadFormat + L"header ends inside the required size at byte offset 27"},
        Case{"FolderNameClimbing", true, Header("..\\Demo") + VersionFolder(),
             BadFormat + L"folder name with name climbing with \"..\" \"..\\Demo\" at byte offset 22"},
        Case{"FileNameCut", true, SetupTest::DemoPackage().substr(0, 40),
             BadFormat + L"file record name without terminating zero byte at byte offset 36"},
        Case{"NegativeSize", true, Header() + VersionFolder() + Package::EncodeFileRecordStart("demo.exe", -5),
             BadFormat + L"file record \"demo.exe\" with negative size -5 at byte offset 46"},
        Case{"DataPastTheEnd", true, SetupTest::DemoPackage().substr(0, 100),
             BadFormat + L"file record \"demo.exe\" data runs past the end of the file at byte offset 50"},
        Case{"AbsoluteName", true,
             Header() + VersionFolder() + Package::EncodeFileRecordStart("\\Windows\\demo.exe", 1) + "x",
             BadFormat + L"file record with absolute name \"\\Windows\\demo.exe\" at byte offset 36"},
        Case{"DeviceName", true, Header() + Package::EncodeDirectoryRecord("CON"),
             BadFormat + L"directory record with reserved device name \"CON\" at byte offset 31"},
        Case{"AboveTheTarget", true,
             Header() + VersionFolder() + Package::EncodeLeaveRecord() + Package::EncodeLeaveRecord() +
                 Package::EncodeFileRecordStart("demo.exe", 1) + "x",
             BadFormat + L"file record \"demo.exe\" above the target directory at byte offset 38"},
        // Files of the names of the uninstaller and its record, which setup
        // writes into the version folder itself: neither may overwrite the other.
        Case{"OwnUninstallerInTheVersionFolder", true,
             Header() + VersionFolder() + Package::EncodeFileRecordStart("UNINSTALL.EXE", 1) + "x",
             BadFormat + L"file record \"UNINSTALL.EXE\" takes the name of setup's own uninstall.exe in the version "
                         L"folder at byte offset 36"},
        Case{"OwnRecordAfterASubfolder", true,
             Header() + VersionFolder() + Package::EncodeDirectoryRecord("sub") + Package::EncodeLeaveRecord() +
                 Package::EncodeFileRecordStart("Uninstall.Dat", 1) + "x",
             BadFormat + L"file record \"Uninstall.Dat\" takes the name of setup's own uninstall.dat in the version "
                         L"folder at byte offset 42"},
        // Sound packages whose Start-menu folder would not be one of their own.
        Case{"MenuFolderWouldBePrograms", true, SoundPackage("", ""),
             BadFormat + L"no folder name and no version folder name: the Start-menu items would go into Programs itself"},
        Case{"MenuFolderIsStartup", true, SoundPackage("Startup", ""),
             BadFormat + L"Start-menu folder \"Startup\" lies in the Startup folder, whose items run at every logon"},
        Case{"VersionFolderIsStartupInAnyCase", true, SoundPackage("", "sTARTUP"),
             BadFormat + L"Start-menu folder \"sTARTUP\" lies in the Startup folder, whose items run at every logon"},
        Case{"MenuFolderBelowStartup", true, SoundPackage("Startup", "1.0"),
             BadFormat + L"Start-menu folder \"Startup\\1.0\" lies in the Startup folder, whose items run at every logon"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Names as the system's double-byte code page reads them (Japanese 932,
// Chinese 936; these tests run only in such a locale): a lead byte that
// ends a name is no character, and a backslash's byte that ends a
// character separates nothing. The texts are shown as the code page reads
// the bytes.
class DoubleByteCodePage : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const UINT required = SetupTest::RequiredCodePage();
    ASSERT_TRUE(required == 932 || required == 936) << "run with --ansi-code-page=932 or 936";
    ASSERT_EQ(GetACP(), required);
  }
};

TEST_P(DoubleByteCodePage, ShowsOneErrorThenEnds) { ExpectOneErrorThenEnd(GetParam()); }

std::wstring AnsiText(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
  return wide;
}

INSTANTIATE_TEST_SUITE_P(
    Packages, DoubleByteCodePage,
    ::testing::Values(
        Case{"LoneLeadByte", true, Header() + VersionFolder() + Package::EncodeFileRecordStart("a\x81", 1) + "x",
             AnsiText("Bad format of file: \"data.z\"\r\nfile record with name that is not text in the system's "
                      "code page \"a\x81\" at byte offset 36")},
        // 95 5C enters one folder: two leave records lead above the target.
        Case{"LevelsCountedByCharacter", true,
             Header() + Package::EncodeDirectoryRecord("\x95\\x") + Package::EncodeLeaveRecord() +
                 Package::EncodeLeaveRecord() + Package::EncodeFileRecordStart("demo.exe", 1) + "x",
             BadFormat + L"file record \"demo.exe\" above the target directory at byte offset 38"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
