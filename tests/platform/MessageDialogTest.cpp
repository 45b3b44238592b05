// The program's message dialog: its caption, icon and buttons by type, the
// answers of its keys and buttons, its place, and its ways of closing.
#include "MessageDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "BoxAnswerer.h"
#include "GuiDriver.h"
#include "MessagePump.h"

using namespace GuiDriver;

namespace {

HWND FocusOf(HWND window) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  return thread.hwndFocus;
}

class MessageDialog : public ::testing::Test {
 protected:
  void SetUp() override { ClearTerminated(); }
  void TearDown() override {
    MSG msg;  // a quit message a case left behind
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ClearTerminated();
  }
};

struct KeyCase {
  const char* name;
  unsigned buttons;
  std::function<void(HWND box)> act;
  int answer;
};

void Key(HWND box, WORD key) {
  // Keys go to the focused button, which the box gives to its default one.
  WaitUntil([&] { return FocusOf(box) && IsChild(box, FocusOf(box)); });
  PressKey(box, key);
}

// One process for the whole table: each case is a box of its own.
TEST_F(MessageDialog, KeysButtonsAndTheCloseBoxGiveTheirAnswers) {
  const KeyCase cases[] = {
      {"OK, Enter", mbOK, [](HWND box) { Key(box, VK_RETURN); }, mrOk},
      {"OK, Esc", mbOK, [](HWND box) { Key(box, VK_ESCAPE); }, mrOk},
      {"OK, close box", mbOK, [](HWND box) { PressCloseBox(box); }, mrCancel},
      {"OK, its button", mbOK, [](HWND box) { AnswerDialog(box, L"OK"); }, mrOk},
      {"Yes No, Enter", mbYes | mbNo, [](HWND box) { Key(box, VK_RETURN); }, mrYes},
      {"Yes No, Esc", mbYes | mbNo, [](HWND box) { Key(box, VK_ESCAPE); }, mrNo},
      {"Yes No, close box", mbYes | mbNo, [](HWND box) { PressCloseBox(box); }, mrCancel},
      {"Yes No, Alt+F4", mbYes | mbNo,
       [](HWND box) { PostMessageW(box, WM_SYSKEYDOWN, VK_F4, LPARAM(1) | (LPARAM(1) << 29)); }, mrCancel},
      {"Yes No, Yes", mbYes | mbNo, [](HWND box) { AnswerDialog(box, L"Yes"); }, mrYes},
      {"Yes No, No", mbYes | mbNo, [](HWND box) { AnswerDialog(box, L"No"); }, mrNo},
      // Enter presses the button that has the focus.
      {"Yes No, Tab then Enter", mbYes | mbNo,
       [](HWND box) {
         Key(box, VK_TAB);
         WaitUntil([&] { return Text(FocusOf(box)) == L"&No"; });
         Key(box, VK_RETURN);
       },
       mrNo},
      {"Yes No, access key N", mbYes | mbNo,
       [](HWND box) {
         WaitUntil([&] { return FocusOf(box) != nullptr; });
         PostMessageW(FocusOf(box), WM_CHAR, L'n', 1);
       },
       mrNo},
      {"Yes No OK, Enter", mbYes | mbNo | mbOK, [](HWND box) { Key(box, VK_RETURN); }, mrOk},
      {"Yes No OK, Esc", mbYes | mbNo | mbOK, [](HWND box) { Key(box, VK_ESCAPE); }, mrNo},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    BoxAnswerer answerer([&](HWND box) { c.act(box); });
    const int answer = MessageDlg(std::wstring(L"Go on?"), TMsgDlgType::mtConfirmation, c.buttons);
    answerer.Stop();
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(answerer.Shown.size(), 1u);
    EXPECT_TRUE(OpenBoxes().empty());
  }
}

TEST_F(MessageDialog, CaptionIconAndButtonsFollowTheTypeAndTheSet) {
  struct Case {
    TMsgDlgType type;
    unsigned buttons;
    const wchar_t* caption;
    WORD icon;
    std::vector<std::wstring> captions;
  };
  const Case cases[] = {
      {TMsgDlgType::mtError, mbOK, L"Error", 32513, {L"OK"}},
      {TMsgDlgType::mtInformation, mbOK, L"Information", 32516, {L"OK"}},
      {TMsgDlgType::mtConfirmation, mbNo | mbYes, L"Confirm", 32514, {L"&Yes", L"&No"}},
      {TMsgDlgType::mtConfirmation, mbOK | mbNo | mbYes, L"Confirm", 32514, {L"&Yes", L"&No", L"OK"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    HICON icon = nullptr;
    BoxAnswerer answerer([&](HWND box) {
      for (HWND control : Controls(box))
        if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ClassName(control) == L"Static")
          icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
      PressCloseBox(box);
    });
    MessageDlg(std::wstring(L"Text"), c.type, c.buttons);
    answerer.Stop();
    ASSERT_EQ(answerer.Shown.size(), 1u);
    EXPECT_EQ(answerer.Shown[0].Caption, c.caption);
    EXPECT_EQ(answerer.Shown[0].Buttons, c.captions);
    EXPECT_EQ(icon, LoadIconW(nullptr, MAKEINTRESOURCEW(c.icon)));
  }
}

TEST_F(MessageDialog, ShowsWideTextCentredWhileTheOtherWindowsAreDisabled) {
  HWND other = CreateWindowExW(0, L"Static", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  bool otherEnabledMeanwhile = true;
  BoxAnswerer answerer([&](HWND box) {
    otherEnabledMeanwhile = IsWindowEnabled(other) != FALSE;
    AnswerDialog(box, L"OK");
  });
  // A long Russian text: shown as Cyrillic whatever the code page, and wrapped.
  std::wstring text = L"Установка завершена успешно!\r\nПункт стартового меню: Программы\\Продукт";
  for (int i = 0; i < 4; ++i) text += L" и ещё немного слов, чтобы строка стала длиннее половины экрана";
  EXPECT_EQ(MessageDlg(text, TMsgDlgType::mtInformation, mbOK), mrOk);
  answerer.Stop();
  ASSERT_EQ(answerer.Shown.size(), 1u);
  EXPECT_EQ(answerer.Shown[0].Text, text);
  EXPECT_FALSE(otherEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(other));

  const RECT place = answerer.Places[0];
  const int width = place.right - place.left, height = place.bottom - place.top;
  EXPECT_EQ(place.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(place.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  EXPECT_LE(width, GetSystemMetrics(SM_CXSCREEN) * 3 / 4) << "long texts wrap";
  DestroyWindow(other);
}

// A package's names reach the messages whole, however long they are.
TEST_F(MessageDialog, TextsLargerThanTheScreenKeepTheBoxAndItsButtonOnIt) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const auto inside = [&](const RECT& r) {
    return r.left >= 0 && r.top >= 0 && r.right <= screenWidth && r.bottom <= screenHeight;
  };
  std::wstring tall;
  for (int i = 0; i < 300; ++i) tall += L"line " + std::to_wstring(i) + L"\r\n";
  const struct {
    const char* name;
    std::wstring text;
  } cases[] = {
      {"one long word", L"File : " + std::wstring(4000, L'x') + L" not present!"},
      {"many lines", tall},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RECT button{};
    BoxAnswerer answerer([&](HWND box) {
      for (HWND control : Controls(box))
        if (ClassName(control) == L"Button") GetWindowRect(control, &button);
      AnswerDialog(box, L"OK");
    });
    EXPECT_EQ(MessageDlg(c.text, TMsgDlgType::mtError, mbOK), mrOk);
    answerer.Stop();
    ASSERT_EQ(answerer.Places.size(), 1u);
    EXPECT_TRUE(inside(answerer.Places[0])) << answerer.Places[0].left << "," << answerer.Places[0].top << " "
                                            << answerer.Places[0].right << "," << answerer.Places[0].bottom;
    EXPECT_TRUE(inside(button)) << button.left << "," << button.top << " " << button.right << "," << button.bottom;
  }
}

TEST_F(MessageDialog, OnceTheProgramIsAskedToEndBoxesCloseAtOnceWithCancel) {
  // Nobody answers (a broken box would get its OK only after a long while).
  BoxAnswerer answerer([](HWND box) {
    if (!WaitUntil([&] { return !IsWindow(box); }, 10000)) AnswerDialog(box, L"OK");
  });
  // The quit message is met by the box's own loop...
  PostQuitMessage(0);
  EXPECT_EQ(MessageDlg(std::wstring(L"first"), TMsgDlgType::mtInformation, mbOK), mrCancel);
  EXPECT_TRUE(IsTerminated());
  // ...and a box opened after that closes at once as well.
  EXPECT_EQ(MessageDlg(std::wstring(L"second"), TMsgDlgType::mtError, mbOK), mrCancel);
  answerer.Stop();
  EXPECT_TRUE(OpenBoxes().empty());
}

// With a hook set no box opens: the hook gets the text, type and buttons,
// and its answer, whichever it is, is the call's. Cleared, boxes show again.
TEST_F(MessageDialog, HookSeesEveryBoxInsteadOfAPerson) {
  struct Seen {
    std::wstring text;
    TMsgDlgType type;
    unsigned buttons;
  };
  std::vector<Seen> seen;
  int answer = mrNone;
  SetMessageDlgHook([&](const std::wstring& text, TMsgDlgType type, unsigned buttons) {
    seen.push_back({text, type, buttons});
    return answer;
  });
  BoxAnswerer answerer([](HWND box) { AnswerDialog(box, L"OK"); });
  answer = mrNo;
  EXPECT_EQ(MessageDlg(std::string("Bad version of file: \"data.z\""), TMsgDlgType::mtError, mbOK), mrNo);
  answer = mrYes;
  EXPECT_EQ(MessageDlg(std::wstring(L"Go on?"), TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);
  answer = mrCancel;
  EXPECT_EQ(MessageDlg(std::wstring(L"Done"), TMsgDlgType::mtInformation, mbOK), mrCancel);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].text, L"Bad version of file: \"data.z\"");
  EXPECT_EQ(seen[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(seen[0].buttons, unsigned(mbOK));
  EXPECT_EQ(seen[1].text, L"Go on?");
  EXPECT_EQ(seen[1].type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(seen[1].buttons, unsigned(mbYes | mbNo));
  EXPECT_EQ(seen[2].type, TMsgDlgType::mtInformation);

  SetMessageDlgHook(nullptr);
  EXPECT_EQ(MessageDlg(std::wstring(L"Shown"), TMsgDlgType::mtInformation, mbOK), mrOk);
  answerer.Stop();
  EXPECT_EQ(seen.size(), 3u);
  ASSERT_EQ(answerer.Shown.size(), 1u) << "only the box after the hook was cleared";
  EXPECT_EQ(answerer.Shown[0].Text, L"Shown");
}

}  // namespace
