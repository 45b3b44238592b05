// The destination and the free-space check on a window made in this
// process, where the destination and the measured figure can be set exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Application.h"
#include "BoxAnswerer.h"
#include "DiskSpace.h"
#include "GuiDriver.h"
#include "PackageFormat.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

constexpr wchar_t Impossible[] = L" (SETUP IMPOSSIBLE!!!)";

// A window loaded from a small package in a fresh folder, with every free
// space measurement answered by `Free` and recorded in `Asked`.
class DestinationForm : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Initialize();
    ASSERT_TRUE(dir.WriteFile(L"data.z", Package::EncodeHeader("demo.exe", "Demo 1.0", "Demo", 0) +
                                             Package::EncodeDirectoryRecord("1.0") + Package::EncodeLeaveRecord()));
    SetCurrentDirectoryW(dir.Path().c_str());
    SetFreeSpaceHook([this](const std::string& path) {
      Asked.push_back(path);
      return Free;
    });
    form.Create();
    ASSERT_NE(form.Handle, nullptr);
    ASSERT_NE(form.Pack, nullptr);
  }
  void TearDown() override {
    SetFreeSpaceHook(nullptr);
    DestroyWindow(form.Handle);
    SetCurrentDirectoryW(L"C:\\");
  }

  GuiDriver::TempDir dir;
  int64_t Free = 1;
  std::vector<std::string> Asked;
  TSetupForm form;
};

TEST_F(DestinationForm, StartNeedsTheExactBytesRequired) {
  const struct {
    int32_t required;
    int64_t free;
    bool enabled;
    std::wstring label;
  } cases[] = {
      {1000, 1001, true, L"Free: 1 kb"},
      {1000, 1000, true, L"Free: 1 kb"},
      {1000, 999, false, std::wstring(L"Free: 0 kb") + Impossible},
      {0, 999, true, L"Free: 0 kb"},
      {0, -1, false, std::wstring(L"Free: 0 kb") + Impossible},  // the measurement failed
      {-1, -1, true, L"Free: 0 kb"},
      {2147483647, 2147483647, true, L"Free: 2147483 kb"},
      {2147483647, 2147483646, false, std::wstring(L"Free: 2147483 kb") + Impossible},
      {-2147483647 - 1, 0, true, L"Free: 0 kb"},  // widened with its sign
      {2000000, 5000000000000, true, L"Free: 5000000000 kb"},
  };
  for (const auto& c : cases) {
    form.Pack->RequiredSize = c.required;
    Free = c.free;
    // Twice: the label is rebuilt each time, so the suffix never doubles,
    // and from a measurement of its own, so room made meanwhile counts.
    for (int time = 0; time < 2; ++time) {
      Asked.clear();
      form.UpdateFreeSpace();
      EXPECT_EQ(Asked.size(), 1u);
      EXPECT_EQ(form.StartButton.Enabled(), c.enabled) << c.required << " of " << c.free;
      EXPECT_EQ(form.FreeLabel.Text(), c.label) << c.required << " of " << c.free;
    }
  }
}

TEST_F(DestinationForm, MeasuresWhereTheInstallationGoes) {
  // At creation: the destination, once there is one.
  EXPECT_EQ(Asked, (std::vector<std::string>{"C:\\Program Files\\"}));
  const char* const destinations[] = {"\\\\server\\share\\apps\\", "D:\\Mounted\\Volume\\", "c:\\lower\\"};
  for (const char* destination : destinations) {
    form.BaseDir = destination;
    Asked.clear();
    form.UpdateFreeSpace();
    EXPECT_EQ(Asked, std::vector<std::string>{destination});
  }
}

TEST_F(DestinationForm, MissingDriveCannotBeMeasured) {
  SetFreeSpaceHook(nullptr);
  form.Pack->RequiredSize = 0;
  for (const char* destination : {"Q:\\", "Q:\\Program Files\\"}) {
    form.BaseDir = destination;
    form.UpdateFreeSpace();
    EXPECT_EQ(form.FreeSpace, -1) << destination;
    EXPECT_FALSE(form.StartButton.Enabled()) << destination;
    EXPECT_EQ(form.FreeLabel.Text(), std::wstring(L"Free: 0 kb") + Impossible) << destination;
  }
}

// The chooser, answered from a second thread: the destination, its label
// and the current directory after each outcome.
TEST_F(DestinationForm, ChooserOutcomes) {
  const std::string folder = "C:\\dest-form-test";
  CreateDirectoryA(folder.c_str(), nullptr);
  const struct {
    const char* name;
    std::string before;
    bool removeBefore;
    int button;
    std::string after;
  } cases[] = {
      {"confirm a folder", folder, false, IDOK, folder + "\\"},
      {"confirm a drive root", "C:\\", false, IDOK, "C:\\"},
      {"cancel", folder + "\\", false, IDCANCEL, folder + "\\"},
      {"cancel after the folder vanished", folder + "\\", true, IDCANCEL, folder + "\\"},
  };
  for (const auto& c : cases) {
    form.BaseDir = c.before;
    form.FolderLabel.SetTextA(c.before + form.Pack->FolderName);
    if (c.removeBefore) RemoveDirectoryA(folder.c_str());
    HWND owner = nullptr;
    {
      BoxAnswerer answerer([&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        PostMessageW(GetDlgItem(box, c.button), BM_CLICK, 0, 0);
      });
      form.FolderLabelClick();
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ(owner, form.Handle) << c.name;
    EXPECT_EQ(form.BaseDir, c.after) << c.name;
    EXPECT_EQ(form.FolderLabel.Text(), ToWide(c.after + "Demo")) << c.name;
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    if (c.button == IDOK) {
      EXPECT_EQ(std::string(current) + (std::string(current).back() == '\\' ? "" : "\\"), c.after) << c.name;
    }
  }
  RemoveDirectoryA(folder.c_str());
}

TEST_F(DestinationForm, UnknownLanguageKeepsTheTextsLoaded) {
  form.Language = 1;
  form.ApplyLanguage();
  const std::wstring russianExit = form.ExitButton.Text();
  form.Language = 2;
  form.ApplyLanguage();
  EXPECT_EQ(form.ExitButton.Text(), russianExit);
  EXPECT_EQ(form.Texts->Free, std::wstring(L"Свободно: "));
}

}  // namespace
