// The two interface languages as a person sees them in the real program,
// switched back and forth. The same tests run again with Wine in a Russian
// locale (code page 1251): every text is read as a wide string, so Cyrillic
// must come back as Cyrillic under either.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "ControlIds.h"
#include "DrivesPrefix.h"
#include "GuiDriver.h"
#include "RequiredCodePage.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

struct LanguageView {
  int index;
  std::wstring caption, languageLabel, exit, required, free, impossible, cancelAsk;
};

const LanguageView English{0,       L"Setup",  L"Select the language:", L"Exit", L"Required: ",
                           L"Free: ", L" (SETUP IMPOSSIBLE!!!)", L"Do your want to cancel setup the "};
const LanguageView Russian{1,
                           L"Установка",
                           L"Выберите язык:",
                           L"Выход",
                           L"Необходимо: ",
                           L"Свободно: ",
                           L" (УСТАНОВКА НЕВОЗМОЖНА!!!)",
                           L"Вы хотите прекратить установку "};

constexpr int LanguageLabelRightEdge = 121;  // at 96 dots per inch

// The control's text once it reads `expected`, or what it reads when the
// wait gives up.
std::wstring Settled(HWND control, const std::wstring& expected) {
  WaitUntil([&] { return Text(control) == expected; }, 10000);
  return Text(control);
}

HWND Control(HWND window, int id) { return FindControlById(window, id); }

void Choose(HWND window, const LanguageView& view) {
  ASSERT_TRUE(SelectComboItem(Control(window, LanguageComboBoxId), view.index));
}

std::wstring FreeText(const LanguageView& view, int64_t freeBytes, bool tooLittle) {
  return view.free + std::to_wstring(freeBytes / 1000) + L" kb" + (tooLittle ? view.impossible : L"");
}

class Languages : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const UINT required = SetupTest::RequiredCodePage()) {
      ASSERT_EQ(GetACP(), required);
    }
  }
};

TEST_F(Languages, EveryTranslatedTextSwitchesBothWaysAndTheRestStaysEnglish) {
  const DrivesPrefix::ProgramFilesAt programFiles(L"C:\\Program Files");
  SetupRun run(SetupTest::DemoPackage("Demo 1.0", 2000000));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  HWND combo = Control(window, LanguageComboBoxId);

  for (const LanguageView* view : {&English, &Russian, &English, &Russian}) {
    if (view->index != ComboIndex(combo)) Choose(window, *view);
    EXPECT_EQ(Settled(window, view->caption), view->caption);
    EXPECT_EQ(Text(Control(window, LanguageLabelId)), view->languageLabel);
    EXPECT_EQ(Text(Control(window, ExitButtonId)), view->exit);
    EXPECT_EQ(Text(Control(window, RequiredLabelId)), view->required + L"2000 kb");
    const std::wstring free = Text(Control(window, FreeLabelId));
    EXPECT_EQ(free.rfind(view->free, 0), 0u) << free;
    EXPECT_EQ(free.substr(free.size() - 3), L" kb") << free;
    EXPECT_TRUE(Enabled(Control(window, StartButtonId)));
    EXPECT_EQ(ComboIndex(combo), view->index);
    // The right-justified label keeps its right edge as its text changes.
    EXPECT_EQ(RectInParent(Control(window, LanguageLabelId)).right, LanguageLabelRightEdge);

    // What stays English under both.
    EXPECT_EQ(Text(Control(window, StartButtonId)), L"Start");
    EXPECT_EQ(Text(Control(window, FolderCaptionLabelId)), L"Destination Folder:");
    EXPECT_EQ(ComboCount(combo), 2);
    EXPECT_EQ(ComboItem(combo, 0), L"English");
    EXPECT_EQ(ComboItem(combo, 1), L"Russian");
    EXPECT_EQ(Text(Control(window, FolderLabelId)), L"C:\\Program Files\\Demo");
  }

  // The Exit question speaks the language chosen last.
  ASSERT_TRUE(Click(Control(window, ExitButtonId)));
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadDialog(box).Text, Russian.cancelAsk + L"Demo 1.0?");
  ASSERT_TRUE(AnswerDialog(box, L"No"));
}

TEST_F(Languages, ShortSpaceSuffixFollowsTheLanguageAndEverySwitchMeasuresAgain) {
  if (const std::string why = DrivesPrefix::SmallDriveMissing(); !why.empty()) GTEST_SKIP() << why;
  const DrivesPrefix::ProgramFilesAt programFiles(L"M:\\Apps");
  DrivesPrefix::FillerFile filler(L"M:\\filler", 400 * 1024);
  const int64_t crowded = DrivesPrefix::FreeBytes(L"M:\\Apps\\");
  SetupRun run(SetupTest::DemoPackage("Demo 1.0", int32_t(crowded + 1)));
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  HWND freeLabel = Control(window, FreeLabelId), start = Control(window, StartButtonId);

  for (const LanguageView* view : {&English, &Russian, &English}) {
    if (view->index != ComboIndex(Control(window, LanguageComboBoxId))) Choose(window, *view);
    const std::wstring expected = FreeText(*view, crowded, true);
    EXPECT_EQ(Settled(freeLabel, expected), expected);
    EXPECT_FALSE(Enabled(start));
  }

  // Room made while the window is up counts at the next switch.
  filler.Remove();
  const int64_t roomy = DrivesPrefix::FreeBytes(L"M:\\Apps\\");
  ASSERT_GT(roomy, crowded);
  Choose(window, Russian);
  const std::wstring expected = FreeText(Russian, roomy, false);
  EXPECT_EQ(Settled(freeLabel, expected), expected);
  EXPECT_TRUE(Enabled(start));
}

}  // namespace
