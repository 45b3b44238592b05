// The setup window as a person sees it: its controls, their places, the
// painted frame, title and icon, and the keyboard.
#include <gtest/gtest.h>

#include <string>

#include "ControlIds.h"
#include "GuiDriver.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

constexpr COLORREF Blue = RGB(0, 0, 255), Grey = RGB(128, 128, 128), White = RGB(255, 255, 255),
                   Black = RGB(0, 0, 0), Cyan = RGB(0, 255, 255);

// The extent of a text in the window's font: "MS Sans Serif", 8 points.
SIZE TextExtent(const std::wstring& text) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
  HGDIOBJ old = SelectObject(screen, font);
  SIZE extent{};
  GetTextExtentPoint32W(screen, text.c_str(), int(text.size()), &extent);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return extent;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  return thread.hwndFocus;
}

struct Box {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  void Add(int x, int y) {
    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
  }
};

class SetupWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window = run.WaitForMaximizedWindow();
    ASSERT_NE(window, nullptr);
    panel = FindControlById(window, PanelId);
    ASSERT_NE(panel, nullptr);
  }

  // The control's place, once the window has settled.
  RECT Place(int id) { return RectInParent(FindControlById(window, id)); }

  std::string package = SetupTest::DemoPackage();
  SetupRun run{package};
  HWND window = nullptr;
  HWND panel = nullptr;
};

TEST_F(SetupWindow, ShowsEveryControlOfTheLayoutInItsPlace) {
  EXPECT_EQ(ClassName(window), L"TSetupForm");
  EXPECT_EQ(Text(window), L"Setup");

  // Panel centred in the client area (halves toward zero).
  const SIZE client = ClientSize(window);
  ASSERT_TRUE(WaitUntil([&] {
    const RECT r = Place(PanelId);
    return r.left == (client.cx - 465) / 2 && r.top == (client.cy - 169) / 2;
  })) << "panel at " << Place(PanelId).left << "," << Place(PanelId).top;
  const RECT panelRect = Place(PanelId);
  EXPECT_EQ(panelRect.right - panelRect.left, 465);
  EXPECT_EQ(panelRect.bottom - panelRect.top, 169);

  // Width -1: a label, as wide as its text.
  struct Row {
    int id;
    const wchar_t* className;
    int parent;
    bool visible;
    int left, top, width, height;
  };
  const Row rows[] = {
      {RequiredLabelId, L"Static", PanelId, true, 16, 128, -1, 13},
      {FreeLabelId, L"Static", PanelId, true, 16, 144, -1, 13},
      {PaintBoxId, L"TPaintBox", PanelId, true, 16, 48, 32, 32},
      {GroupBoxId, L"Button", PanelId, true, 64, 16, 353, 105},
      {FolderLabelId, L"Static", GroupBoxId, true, 24, 40, -1, 13},
      {FolderCaptionLabelId, L"Static", GroupBoxId, true, 24, 24, -1, 13},
      {ProgressBarId, L"msctls_progress32", GroupBoxId, false, 16, 40, 321, 25},
      {LanguageComboBoxId, L"ComboBox", GroupBoxId, true, 128, 64, 145, 21},
      {ExitButtonId, L"Button", PanelId, true, 344, 128, 75, 25},
      {StartButtonId, L"Button", PanelId, true, 248, 128, 75, 25},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    HWND control = FindControlById(window, row.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ClassName(control), row.className);
    EXPECT_EQ(IdOf(GetParent(control)), row.parent);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);
    const RECT r = RectInParent(control);
    EXPECT_EQ(r.left, row.left);
    EXPECT_EQ(r.top, row.top);
    const int width = row.width >= 0 ? row.width : TextExtent(Text(control)).cx;
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, row.height);
  }

  // The right-justified language label keeps its right edge at x = 121.
  HWND languageLabel = FindControlById(window, LanguageLabelId);
  const RECT language = RectInParent(languageLabel);
  EXPECT_EQ(language.right, 121);
  EXPECT_EQ(language.right - language.left, TextExtent(Text(languageLabel)).cx);
  EXPECT_EQ(language.top, 68);

  // Texts that never change, and the list's fixed items.
  EXPECT_EQ(Text(FindControlById(window, FolderCaptionLabelId)), L"Destination Folder:");
  EXPECT_EQ(Text(FindControlById(window, StartButtonId)), L"Start");
  EXPECT_EQ(Text(FindControlById(window, ExitButtonId)), L"Exit");
  EXPECT_EQ(Text(FindControlById(window, GroupBoxId)), L"");
  HWND combo = FindControlById(window, LanguageComboBoxId);
  ASSERT_EQ(ComboCount(combo), 2);
  EXPECT_EQ(ComboItem(combo, 0), L"English");
  EXPECT_EQ(ComboItem(combo, 1), L"Russian");
  HWND progress = FindControlById(window, ProgressBarId);
  EXPECT_EQ(ProgressMax(progress), 27);
  EXPECT_EQ(ProgressPosition(progress), 0);

  // Neither button is the default one.
  for (int id : {ExitButtonId, StartButtonId})
    EXPECT_EQ(GetWindowLongW(FindControlById(window, id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(SetupWindow, PaintsTheFrameTheTitleAndTheIcon) {
  const SIZE client = ClientSize(window);
  // The application icon at (16, 48) of the panel, over the panel's colour.
  HMODULE exe = LoadLibraryExW(SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HICON icon = static_cast<HICON>(LoadImageW(exe, L"MAINICON", IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT square{0, 0, 32, 32};
  FillRect(memory, &square, GetSysColorBrush(COLOR_BTNFACE));
  DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  RECT panelRect{};
  Capture shot;
  auto onPanel = [&](int x, int y) { return shot.At(panelRect.left + x, panelRect.top + y); };
  auto iconDifferences = [&] {
    int differing = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (onPanel(16 + x, 48 + y) != GetPixel(memory, x, y)) ++differing;
    return differing;
  };
  // Painting follows the maximizing, and the panel's icon comes after the
  // window's own paint: wait for the frame's far corner, the title and the icon.
  auto titleDrawn = [&] {
    for (int x = 18; x < 60; ++x)
      if (shot.At(x, 40) == Cyan) return true;
    return false;
  };
  WaitUntil([&] {
    panelRect = RectInParent(panel);
    shot = CaptureClient(window);
    return shot.Width == client.cx && shot.At(shot.Width - 1, shot.Height - 1) == White && titleDrawn() &&
           iconDifferences() == 0;
  });
  ASSERT_EQ(shot.Width, client.cx);
  const int w = shot.Width, h = shot.Height;

  // Grey along the left edge and the top up to the last pixel but one;
  // white along the right edge and the bottom from x = 1.
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(shot.At(0, y), Grey) << "left, y=" << y;
    ASSERT_EQ(shot.At(w - 1, y), White) << "right, y=" << y;
  }
  for (int x = 1; x < w - 1; ++x) {
    ASSERT_EQ(shot.At(x, 0), Grey) << "top, x=" << x;
    ASSERT_EQ(shot.At(x, h - 1), White) << "bottom, x=" << x;
  }
  for (POINT corner : {POINT{1, 1}, POINT{w - 2, 1}, POINT{1, h - 2}, POINT{w - 2, h - 2}})
    EXPECT_EQ(shot.At(corner.x, corner.y), Blue) << corner.x << "," << corner.y;

  // The title: cyan, with a black shadow two pixels right and down.
  Box cyan, black;
  for (int y = 1; y < 100; ++y)
    for (int x = 1; x < w / 2; ++x) {
      if (shot.At(x, y) == Cyan) cyan.Add(x, y);
      if (shot.At(x, y) == Black) black.Add(x, y);
    }
  ASSERT_GE(cyan.right, 0) << "no title drawn";
  EXPECT_GE(cyan.left, 18);
  EXPECT_GE(cyan.top, 18);
  EXPECT_EQ(black.right, cyan.right + 2);
  EXPECT_EQ(black.bottom, cyan.bottom + 2);
  EXPECT_LT(cyan.bottom - 18, 40) << "a 24-point title is about 32 pixels high";

  // The application icon at (16, 48) of the panel, over the panel's colour.
  EXPECT_EQ(iconDifferences(), 0);
  EXPECT_NE(onPanel(16 + 15, 48 + 5), onPanel(5, 5)) << "the icon's arrow, not the panel";
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  FreeLibrary(exe);
}

TEST_F(SetupWindow, TabRunsThroughTheListExitAndStartWhileEscPressesNothing) {
  HWND combo = FindControlById(window, LanguageComboBoxId);
  HWND exitButton = FindControlById(window, ExitButtonId);
  HWND startButton = FindControlById(window, StartButtonId);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == combo; }));
  ASSERT_TRUE(Enabled(startButton)) << "the demo package needs little space";

  for (HWND next : {exitButton, startButton, combo}) {
    PressKey(window, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == next; })) << IdOf(next);
  }

  // Esc, then Tab: once the focus has moved on, Esc has been handled.
  PressKey(window, VK_TAB);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == exitButton; }));
  PressKey(window, VK_ESCAPE);
  PressKey(window, VK_TAB);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == startButton; }));
  for (HWND top : run.Program->Windows()) EXPECT_FALSE(IsDialog(top));

  // Enter presses the button that has the focus: back on Exit, it asks.
  PressKey(window, VK_TAB);
  PressKey(window, VK_TAB);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == exitButton; }));
  PressKey(window, VK_RETURN);
  HWND question = run.Program->WaitForDialog();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(ReadDialog(question).Caption, L"Confirm");
  EXPECT_FALSE(Enabled(window)) << "the window waits for the answer";
  ASSERT_TRUE(AnswerDialog(question, L"No"));
  ASSERT_TRUE(WaitUntil([&] { return Enabled(window); }));
  EXPECT_TRUE(run.Program->Running());
}

// Started minimized, the window is iconic and comes back maximized.
// (Wine reports no placement of another process's window: restore it.)
TEST(SetupWindowStart, ShowMinNoActiveStartsMinimizedOtherCommandsMaximized) {
  const std::string package = SetupTest::DemoPackage();
  for (const int show : {SW_SHOWMINNOACTIVE, SW_SHOWNORMAL, SW_SHOWMINIMIZED}) {
    SCOPED_TRACE(show);
    SetupRun run(package, show);
    HWND window = run.Program->WaitForWindow(L"TSetupForm");
    ASSERT_NE(window, nullptr);
    if (show == SW_SHOWMINNOACTIVE) {
      ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
      ShowWindowAsync(window, SW_RESTORE);
    }
    EXPECT_TRUE(WaitUntil([&] { return IsZoomed(window) != FALSE; }));
  }
}

// The restored rectangle is the work area's size, centred on the desktop;
// the panel stays centred as the window changes size.
TEST_F(SetupWindow, RestoresToTheWorkAreaCentredOnTheDesktopAndKeepsThePanelCentred) {
  const RECT maximized = ScreenRect(window);
  ShowWindowAsync(window, SW_RESTORE);
  // The window's state changes before its frame does: wait for both.
  ASSERT_TRUE(WaitUntil([&] {
    const RECT now = ScreenRect(window);
    return !IsZoomed(window) && !EqualRect(&maximized, &now);
  }));
  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  const RECT normal = ScreenRect(window);
  const int width = workArea.right - workArea.left, height = workArea.bottom - workArea.top;
  EXPECT_EQ(normal.right - normal.left, width);
  EXPECT_EQ(normal.bottom - normal.top, height);
  EXPECT_EQ(normal.left, std::max(0, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2));
  EXPECT_EQ(normal.top, std::max(0, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2));

  // Restored and made narrower than the panel: its left edge is half the
  // (negative) difference, rounded toward zero.
  struct Case {
    int clientWidth, clientHeight, left, top;
  };
  for (const Case c : {Case{464, 168, 0, 0}, Case{462, 166, -1, -1}, Case{600, 300, 67, 65}}) {
    RECT frame{0, 0, c.clientWidth, c.clientHeight};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 10, 10, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    ASSERT_TRUE(WaitUntil([&] {
      const SIZE client = ClientSize(window);
      return client.cx == c.clientWidth && client.cy == c.clientHeight;
    })) << c.clientWidth;
    EXPECT_TRUE(WaitUntil([&] {
      const RECT r = Place(PanelId);
      return r.left == c.left && r.top == c.top;
    })) << c.clientWidth << "x" << c.clientHeight << ": panel at " << Place(PanelId).left << ","
        << Place(PanelId).top;
  }
}

// Sets the screen resolution that programs started afterwards see (Wine
// reads it from the user's desktop settings), and puts the old one back.
class ScreenResolution {
 public:
  explicit ScreenResolution(DWORD dotsPerInch) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD size = sizeof old_;
    hadValue_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == 0;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dotsPerInch), sizeof dotsPerInch);
  }
  ~ScreenResolution() {
    if (hadValue_)
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 96;
  bool hadValue_ = false;
};

// At 120 dots per inch the font grows, and the layout with it by the font's
// text height over the 13 pixels it has at 96: here 15 (Wine's stand-in for
// MS Sans Serif; Windows' own bitmap font has 16), so each place and size
// is times 15/13, rounded.
TEST(SetupWindowResolution, LayoutScalesByTheFontsTextHeight) {
  const std::string package = SetupTest::DemoPackage();
  ScreenResolution resolution(120);
  SetupRun run(package);
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr);
  // The layout follows the last resize: read it once the panel sits in the
  // centre of the maximized window, not while it may still move.
  const SIZE client = ClientSize(window);
  EXPECT_TRUE(WaitUntil([&] {
    const RECT r = RectInParent(FindControlById(window, PanelId));
    return r.left == (client.cx - 537) / 2 && r.top == (client.cy - 195) / 2;
  }));
  struct Row {
    int id, left, top, width, height;
  };
  const Row rows[] = {
      {PanelId, -1, -1, 537, 195},  // centred: see above
      {GroupBoxId, 74, 18, 407, 121},
      {ProgressBarId, 18, 46, 370, 29},
      {ExitButtonId, 397, 148, 87, 29},
      {StartButtonId, 286, 148, 87, 29},
      {LanguageComboBoxId, 148, 74, 167, -1},  // a drop-down list sets its own height
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    const RECT r = RectInParent(FindControlById(window, row.id));
    if (row.left >= 0) {
      EXPECT_EQ(r.left, row.left);
      EXPECT_EQ(r.top, row.top);
    }
    EXPECT_EQ(r.right - r.left, row.width);
    if (row.height >= 0) {
      EXPECT_EQ(r.bottom - r.top, row.height);
    }
  }
  // The labels are as high as the larger font's text.
  for (int id : {FolderCaptionLabelId, RequiredLabelId, FreeLabelId}) {
    const RECT label = RectInParent(FindControlById(window, id));
    EXPECT_EQ(label.bottom - label.top, 15) << id;
  }
}

}  // namespace
