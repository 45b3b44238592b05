// The destination and the room it has, as a person sees them in the real
// program: the Program Files folder on other drives, the required and free
// figures, Start, and the folder chooser.
#include <gtest/gtest.h>

#include <string>

#include "ControlIds.h"
#include "DrivesPrefix.h"
#include "GuiDriver.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

constexpr int ChooserTreeId = 14145;

std::wstring Settled(HWND control, const std::wstring& expected) {
  WaitUntil([&] { return Text(control) == expected; }, 10000);
  return Text(control);
}

HWND Control(HWND window, int id) { return FindControlById(window, id); }

std::wstring FreeText(int64_t freeBytes, bool tooLittle) {
  return L"Free: " + std::to_wstring(freeBytes / 1000) + L" kb" + (tooLittle ? L" (SETUP IMPOSSIBLE!!!)" : L"");
}

TEST(Destination, RequiredFigureIsWholeThousandsTowardZero) {
  const struct {
    int32_t bytes;
    const wchar_t* shown;
  } cases[] = {
      {0, L"Required: 0 kb"},    {999, L"Required: 0 kb"},   {1000, L"Required: 1 kb"},
      {1999, L"Required: 1 kb"}, {-1500, L"Required: -1 kb"}, {2147483647, L"Required: 2147483 kb"},
  };
  for (const auto& c : cases) {
    SetupRun run(SetupTest::DemoPackage("Demo 1.0", c.bytes));
    HWND window = run.WaitForMaximizedWindow();
    ASSERT_NE(window, nullptr) << c.bytes;
    EXPECT_EQ(Text(Control(window, RequiredLabelId)), c.shown);
  }
}

// The Program Files folder on a 1 MB drive: the room shown and compared is
// that drive's, to the byte.
TEST(Destination, StartNeedsTheExactFreeBytesOfTheDestinationDrive) {
  if (const std::string why = DrivesPrefix::SmallDriveMissing(); !why.empty()) GTEST_SKIP() << why;
  const DrivesPrefix::ProgramFilesAt programFiles(L"M:\\Apps");
  const int64_t free = DrivesPrefix::FreeBytes(L"M:\\Apps\\");
  ASSERT_GT(free, 0);
  const struct {
    int64_t required;
    bool enabled;
  } cases[] = {{free - 1, true}, {free, true}, {free + 1, false}};
  for (const auto& c : cases) {
    SetupRun run(SetupTest::DemoPackage("Demo 1.0", int32_t(c.required)));
    HWND window = run.WaitForMaximizedWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Text(Control(window, FolderLabelId)), L"M:\\Apps\\Demo");
    EXPECT_EQ(Text(Control(window, FreeLabelId)), FreeText(free, !c.enabled)) << c.required << " of " << free;
    EXPECT_EQ(Enabled(Control(window, StartButtonId)), c.enabled) << c.required << " of " << free;
  }
}

// The shell gives a drive root with its backslash; one more is appended
// without looking.
TEST(Destination, ProgramFilesAtADriveRootGetsASecondBackslash) {
  const DrivesPrefix::ProgramFilesAt programFiles(L"D:\\");
  SetupRun run(SetupTest::DemoPackage("Demo 1.0", 1000));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Text(Control(window, FolderLabelId)), L"D:\\\\Demo");
  EXPECT_TRUE(Enabled(Control(window, StartButtonId)));
}

// The folder chooser as it shows on the window; null if it never does.
HWND OpenChooser(SetupRun& run, HWND window) {
  if (!ClickControl(Control(window, FolderLabelId))) return nullptr;
  return run.Program->WaitForDialog();
}

void PressInTree(HWND chooser, WORD key) {
  HWND tree = FindControlById(chooser, ChooserTreeId);
  PostMessageW(tree, WM_KEYDOWN, key, 1);
  PostMessageW(tree, WM_KEYUP, key, 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

// From D:, with room, to the 1 MB drive M:, without: the figure and Start
// follow the folder chosen.
TEST(Destination, ChooserMovesTheDestinationAndItsFigure) {
  if (const std::string why = DrivesPrefix::SmallDriveMissing(); !why.empty()) GTEST_SKIP() << why;
  const DrivesPrefix::ProgramFilesAt programFiles(L"D:\\Apps");
  SetupRun run(SetupTest::DemoPackage("Demo 1.0", 2000000));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(Text(Control(window, FolderLabelId)), L"D:\\Apps\\Demo");
  ASSERT_TRUE(Enabled(Control(window, StartButtonId)));

  HWND chooser = OpenChooser(run, window);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(ClassName(chooser), L"#32770");
  EXPECT_EQ(GetWindow(chooser, GW_OWNER), window);
  EXPECT_NE(FindControl(chooser, L"Static", L"Directory for setup:"), nullptr);
  EXPECT_FALSE(Enabled(window));
  // The tree starts at D:\Apps: up to D:, fold it, down to the next drive, M:.
  PressInTree(chooser, VK_LEFT);
  PressInTree(chooser, VK_LEFT);
  PressInTree(chooser, VK_DOWN);
  ASSERT_TRUE(AnswerDialog(chooser, L"OK"));

  // A drive root comes back with its one backslash.
  EXPECT_EQ(Settled(Control(window, FolderLabelId), L"M:\\Demo"), L"M:\\Demo");
  EXPECT_TRUE(WaitUntil([&] { return Enabled(window); }));
  EXPECT_EQ(Text(Control(window, FreeLabelId)), FreeText(DrivesPrefix::FreeBytes(L"M:\\"), true));
  EXPECT_FALSE(Enabled(Control(window, StartButtonId)));
}

// A cancelled chooser leaves everything as it was, also when the folder
// shown has gone meanwhile: the destination is still that folder, so the
// chooser starts there again once it is back.
TEST(Destination, CancelledChooserChangesNothing) {
  for (const bool folderGone : {false, true}) {
    const DrivesPrefix::ProgramFilesAt programFiles(L"D:\\Kept");
    SetupRun run(SetupTest::DemoPackage("Demo 1.0", 1000));
    HWND window = run.WaitForMaximizedWindow();
    ASSERT_NE(window, nullptr);
    HWND folderLabel = Control(window, FolderLabelId), freeLabel = Control(window, FreeLabelId);
    const std::wstring freeBefore = Text(freeLabel);
    if (folderGone) {
      ASSERT_TRUE(RemoveDirectoryW(L"D:\\Kept"));
    }

    HWND chooser = OpenChooser(run, window);
    ASSERT_NE(chooser, nullptr) << folderGone;
    ASSERT_TRUE(AnswerDialog(chooser, L"Cancel"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser) && Enabled(window); }));
    EXPECT_EQ(Text(folderLabel), L"D:\\Kept\\Demo") << folderGone;
    EXPECT_EQ(Text(freeLabel), freeBefore) << folderGone;
    EXPECT_TRUE(Enabled(Control(window, StartButtonId))) << folderGone;

    CreateDirectoryW(L"D:\\Kept", nullptr);
    chooser = OpenChooser(run, window);
    ASSERT_NE(chooser, nullptr) << folderGone;
    ASSERT_TRUE(AnswerDialog(chooser, L"OK"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }));
    EXPECT_EQ(Settled(folderLabel, L"D:\\Kept\\Demo"), L"D:\\Kept\\Demo") << folderGone;
  }
}

}  // namespace
