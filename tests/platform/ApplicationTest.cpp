// The application object: its title, and the exception display that shows
// what escapes a handler.
#include "Application.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "BoxAnswerer.h"
#include "Errors.h"
#include "GuiDriver.h"

using namespace GuiDriver;

namespace {

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstDotWithTheRestInLowerCase) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Dist\\SETUP.EXE", "Setup"}, {"setup.exe", "setup"},     {"My.Setup.exe", "My"},
      {"SETUP2.EXE", "Setup2"},         {"C:\\a.b\\INSTALL", "Install"}, {"D:\\x\\s", "s"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path;
}

class ExceptionDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    Application.Title = ApplicationTitle(path);
  }
};

TEST_F(ExceptionDisplay, ShowsTheMessageWithAPeriodUnlessItEndsInOneOrBelow) {
  const struct {
    const char* message;
    const wchar_t* shown;
  } cases[] = {
      {"File access denied", L"File access denied."},
      {"I/O error 183", L"I/O error 183."},
      {"Ends with a period.", L"Ends with a period."},
      {"Bang!", L"Bang!"},
      {"(bracketed)", L"(bracketed)"},
      {"a-", L"a-"},           // '-' comes before '.'
      {"path\\", L"path\\."},  // '\' comes after it
      {"\xE9t\xE9", L"\u00E9t\u00E9."},  // compared as an unsigned byte
      {"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    BoxAnswerer answerer([](HWND box) { AnswerDialog(box, L"OK"); });
    Guarded([&] { throw Exception(c.message); });
    answerer.Stop();
    ASSERT_EQ(answerer.Shown.size(), 1u);
    EXPECT_EQ(answerer.Shown[0].Text, c.shown);
    EXPECT_EQ(answerer.Shown[0].Caption, std::wstring(Application.Title.begin(), Application.Title.end()));
    EXPECT_EQ(answerer.Shown[0].Buttons, std::vector<std::wstring>{L"OK"});
  }
}

TEST_F(ExceptionDisplay, ShowsErrorsOfEveryKindButAbort) {
  struct Case {
    const char* name;
    void (*raise)();
    const wchar_t* shown;  // null: nothing shown
  };
  const Case cases[] = {
      {"I/O error", [] { throw EInOutError(5); }, L"File access denied."},
      {"registry", [] { throw ERegistryException("Failed to set data for 'Language'"); },
       L"Failed to set data for 'Language'"},  // a quote comes before '.'
      {"standard", [] { throw std::runtime_error("boom"); }, L"boom."},
      {"abort", [] { throw EAbort(); }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxAnswerer answerer([](HWND box) { AnswerDialog(box, L"OK"); });
    Guarded(c.raise);
    answerer.Stop();
    if (!c.shown) {
      EXPECT_TRUE(answerer.Shown.empty());
      continue;
    }
    ASSERT_EQ(answerer.Shown.size(), 1u);
    EXPECT_EQ(answerer.Shown[0].Text, c.shown);
  }
}

// A window that records the messages of interest.
struct Recorder {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CANCELMODE && window == watched) ++cancelModes;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline HWND watched = nullptr;
  static inline int cancelModes = 0;
};

TEST_F(ExceptionDisplay, CancelsTheMouseCaptureAndGivesBackTheWindowsAndFocus) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Recorder::Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ExceptionDisplayTestWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                200, nullptr, nullptr, nullptr, nullptr);
  HWND button = CreateWindowExW(0, L"Button", L"focus", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 80, 25, window,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(button, nullptr);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  SetFocus(button);
  ASSERT_EQ(GetFocus(), button);
  // The capture holder is a child: disabling the windows (which sends the
  // top-level ones WM_CANCELMODE itself) does not reach it.
  HWND holder = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 100, 10, 50, 50, window,
                                nullptr, nullptr, nullptr);
  SetCapture(holder);
  Recorder::watched = holder;
  Recorder::cancelModes = 0;

  bool enabledMeanwhile = true;
  HWND owner = nullptr;
  BoxAnswerer answerer([&](HWND box) {
    enabledMeanwhile = IsWindowEnabled(window) != FALSE;
    owner = GetWindow(box, GW_OWNER);
    AnswerDialog(box, L"OK");
  });
  Guarded([] { throw Exception("Something failed"); });
  answerer.Stop();

  EXPECT_EQ(Recorder::cancelModes, 1);
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_EQ(answerer.Shown.size(), 1u);
  EXPECT_EQ(owner, window) << "owned by the active window";
  EXPECT_FALSE(enabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(window));
  EXPECT_EQ(GetActiveWindow(), window);
  EXPECT_EQ(GetFocus(), button);
  DestroyWindow(window);
}

}  // namespace
