// The folder chooser, driven from a second thread the way a person would
// drive it, while the test's own thread sits in the modal dialog.
#include "FolderChooser.h"
#include "TestThread.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

constexpr char Instruction[] = "Directory for setup:";

// What the second thread saw while the dialog was open.
struct TSeenWhileOpen {
  bool found = false;
  HWND owner = nullptr;
  bool resizable = false;
  bool instructionShown = false;
  std::vector<std::string> visibleButtons;
  RECT bounds = {};
  RECT monitor = {};
  bool ownerEnabled = true;
  bool otherWindowEnabled = true;
  UINT errorMode = 0;
};

BOOL CALLBACK KeepVisibleDialog(HWND window, LPARAM result) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(result) = window;
  return FALSE;
}

HWND FindVisibleDialog(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(thread, &KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

TSeenWhileOpen Inspect(HWND dialog, HWND other) {
  TSeenWhileOpen seen;
  seen.found = true;
  seen.owner = GetWindow(dialog, GW_OWNER);
  seen.resizable = (GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME) != 0;
  GetWindowRect(dialog, &seen.bounds);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromWindow(seen.owner, MONITOR_DEFAULTTONEAREST), &info);
  seen.monitor = info.rcMonitor;
  seen.ownerEnabled = IsWindowEnabled(seen.owner);
  seen.otherWindowEnabled = IsWindowEnabled(other);
  seen.errorMode = GetErrorMode();
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32] = {}, text[256] = {};
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    if (std::string(text) == Instruction) seen.instructionShown = true;
    if (std::string(name) == "Button" && IsWindowVisible(child)) seen.visibleButtons.push_back(text);
  }
  return seen;
}

// Two visible top-level windows of the calling thread: the owner and one more.
struct TWindows {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  ~TWindows() {
    DestroyWindow(other);
    DestroyWindow(owner);
  }
};

struct TChooserRun {
  bool confirmed = false;
  TSeenWhileOpen seen;
};

// Opens the chooser on this thread; a second thread waits for the dialog,
// looks at it and presses `button` (IDOK or IDCANCEL).
TChooserRun RunChooser(std::string& directory, const TWindows& windows, int button) {
  TChooserRun run;
  const DWORD thread = GetCurrentThreadId();
  TestThread person([&] {
    for (int i = 0; i < 750; ++i, Sleep(20)) {
      if (HWND dialog = FindVisibleDialog(thread)) {
        run.seen = Inspect(dialog, windows.other);
        PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        return;
      }
    }
  });
  run.confirmed = SelectDirectory(Instruction, directory, windows.owner);
  person.Join();
  return run;
}

// Under Wine the first dialog of a process does not reach a new folder inside
// the user's profile (the tree stops at the profile folder); one at the top of
// a drive is reached every time.
std::string MakeFolder(const char* path) {
  CreateDirectoryA(path, nullptr);
  return path;
}

TEST(FolderChooser, ConfirmAndCancel) {
  const std::string existing = MakeFolder("C:\\chooser-test");
  const struct {
    const char* name;
    std::string start;
    int button;
    bool confirmed;
    std::string after;
  } cases[] = {
      {"confirm the preselected folder", existing, IDOK, true, existing},
      {"confirm a drive root", "C:\\", IDOK, true, "C:\\"},
      {"cancel", existing, IDCANCEL, false, existing},
      {"cancel with a vanished folder", existing + "\\gone", IDCANCEL, false, ""},
  };
  const TWindows windows;
  for (const auto& c : cases) {
    std::string directory = c.start;
    const TChooserRun run = RunChooser(directory, windows, c.button);
    ASSERT_TRUE(run.seen.found) << c.name;
    EXPECT_EQ(run.confirmed, c.confirmed) << c.name;
    EXPECT_EQ(directory, c.after) << c.name;
  }
  RemoveDirectoryA(existing.c_str());
}

TEST(FolderChooser, OwnedCentredAndModalWhileOpenRestoredAfter) {
  const TWindows windows;
  SetErrorMode(0);
  std::string directory = "C:\\windows";
  const TChooserRun run = RunChooser(directory, windows, IDCANCEL);
  const TSeenWhileOpen& seen = run.seen;
  ASSERT_TRUE(seen.found);

  EXPECT_EQ(seen.owner, windows.owner);
  EXPECT_TRUE(seen.instructionShown);
  EXPECT_TRUE(seen.resizable) << "the new dialog style";
  EXPECT_EQ(seen.visibleButtons, (std::vector<std::string>{"OK", "Cancel"})) << "no button for a new folder";
  const LONG width = seen.bounds.right - seen.bounds.left, height = seen.bounds.bottom - seen.bounds.top;
  EXPECT_EQ(seen.bounds.left, seen.monitor.left + (seen.monitor.right - seen.monitor.left - width) / 2);
  EXPECT_EQ(seen.bounds.top, seen.monitor.top + (seen.monitor.bottom - seen.monitor.top - height) / 2);
  EXPECT_FALSE(seen.ownerEnabled);
  EXPECT_FALSE(seen.otherWindowEnabled);
  EXPECT_EQ(seen.errorMode & SEM_FAILCRITICALERRORS, UINT(SEM_FAILCRITICALERRORS));

  EXPECT_TRUE(IsWindowEnabled(windows.owner));
  EXPECT_TRUE(IsWindowEnabled(windows.other));
  EXPECT_EQ(GetErrorMode(), 0u);
  // The chooser's own COM initialisation is balanced: the thread is free to
  // choose another apartment now.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(com, S_OK);
  if (SUCCEEDED(com)) CoUninitialize();
}

TEST(FolderChooser, ThreadInAnotherComModeGetsTheOldStyleAndKeepsItsMode) {
  TestThread mta([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      const TWindows windows;
      std::string directory = "C:\\";
      const TChooserRun run = RunChooser(directory, windows, IDOK);
      ASSERT_TRUE(run.seen.found);
      EXPECT_FALSE(run.seen.resizable);
      EXPECT_TRUE(run.confirmed);
      EXPECT_EQ(directory, "C:\\");
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "still the thread's own apartment";
    CoUninitialize();
    CoUninitialize();
  });
  mta.Join();
}

}  // namespace
