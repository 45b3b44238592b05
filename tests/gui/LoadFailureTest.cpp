// A package that cannot be used: exactly one error box with the loader's
// text, then the program ends with exit code 0.
#include <gtest/gtest.h>

#include <ostream>

#include "GuiDriver.h"
#include "PackageFormat.h"
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

class LoadFailure : public ::testing::TestWithParam<Case> {};

TEST_P(LoadFailure, ShowsOneErrorThenEnds) {
  const Case& c = GetParam();
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

}  // namespace
