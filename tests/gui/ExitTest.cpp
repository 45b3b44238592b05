// Leaving the program: the Exit question and its answers, and the
// window's own close button, which asks nothing.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "ControlIds.h"
#include "GuiDriver.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

struct Answer {
  const char* name;
  std::function<void(HWND box)> give;
  bool ends;
};

std::ostream& operator<<(std::ostream& out, const Answer& answer) { return out << answer.name; }

class ExitQuestion : public ::testing::TestWithParam<Answer> {};

TEST_P(ExitQuestion, EndsTheProgramUnlessTheAnswerIsNo) {
  SetupRun run(SetupTest::DemoPackage("Demo 1.0"));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(FindControlById(window, ExitButtonId)));
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  const Dialog shown = ReadDialog(box);
  EXPECT_EQ(shown.Caption, L"Confirm");
  EXPECT_EQ(shown.Buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));

  GetParam().give(box);
  DWORD code = 1;
  if (GetParam().ends) {
    ASSERT_TRUE(run.Program->WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    return;
  }
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(WaitUntil([&] { return Enabled(window); }));
  EXPECT_TRUE(run.Program->Running());
  EXPECT_TRUE(IsWindowVisible(window));
  // Asked again, it still asks; Yes then ends it.
  ASSERT_TRUE(Click(FindControlById(window, ExitButtonId)));
  box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(AnswerDialog(box, L"Yes"));
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExitQuestion,
    ::testing::Values(Answer{"Yes", [](HWND box) { AnswerDialog(box, L"Yes"); }, true},
                      Answer{"Enter", [](HWND box) { PressKey(box, VK_RETURN); }, true},
                      Answer{"CloseBox", [](HWND box) { PressCloseBox(box); }, true},
                      Answer{"No", [](HWND box) { AnswerDialog(box, L"No"); }, false},
                      Answer{"Esc", [](HWND box) { PressKey(box, VK_ESCAPE); }, false}),
    [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

struct Closing {
  const char* name;
  std::function<void(HWND window)> close;
};

std::ostream& operator<<(std::ostream& out, const Closing& closing) { return out << closing.name; }

class WindowClose : public ::testing::TestWithParam<Closing> {};

TEST_P(WindowClose, EndsTheProgramWithoutAQuestion) {
  SetupRun run(SetupTest::DemoPackage());
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  GetParam().close(window);
  // The wait for a dialog ends empty-handed when the program ends first.
  EXPECT_EQ(run.Program->WaitForDialog(), nullptr);
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WindowClose,
    ::testing::Values(Closing{"CloseBox", [](HWND window) { PressCloseBox(window); }},
                      Closing{"AltF4",
                              [](HWND window) {
                                // What the keyboard gives for Alt+F4: a system key with Alt down.
                                PostMessageW(window, WM_SYSKEYDOWN, VK_F4, LPARAM(1) | (LPARAM(1) << 29));
                              }}),
    [](const ::testing::TestParamInfo<Closing>& info) { return std::string(info.param.name); });

struct Question {
  const char* name;
  std::string title;  // in the system's code page (1252 here)
  std::wstring text;
};

std::ostream& operator<<(std::ostream& out, const Question& question) { return out << question.name; }

class ExitQuestionText : public ::testing::TestWithParam<Question> {};

// The question names the product as the package spells it (the Russian
// question is tested with the languages).
TEST_P(ExitQuestionText, IsTheQuestionFollowedByTheTitle) {
  const Question& q = GetParam();
  SetupRun run(SetupTest::DemoPackage(q.title));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(FindControlById(window, ExitButtonId)));
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadDialog(box).Text, q.text);
  EXPECT_EQ(ReadDialog(box).Caption, L"Confirm");
  ASSERT_TRUE(AnswerDialog(box, L"Yes"));
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExitQuestionText,
    ::testing::Values(Question{"Plain", "Demo 1.0", L"Do your want to cancel setup the Demo 1.0?"},
                      Question{"EmptyTitle", "", L"Do your want to cancel setup the ?"},
                      Question{"AnsiTitle", "D\xE9mo", L"Do your want to cancel setup the D\u00E9mo?"}),
    [](const ::testing::TestParamInfo<Question>& info) { return std::string(info.param.name); });

}  // namespace
