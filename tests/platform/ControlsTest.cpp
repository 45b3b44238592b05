// The control wrappers the window's handlers rely on.
#include "Controls.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct Parent {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) ++selectionChanges;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline int selectionChanges = 0;
};

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Parent::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ControlsTestParent";
    RegisterClassW(&windowClass);
    parent = CreateWindowExW(0, windowClass.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, nullptr, nullptr);
    font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Sans Serif");
  }
  void TearDown() override {
    DestroyWindow(parent);
    DeleteObject(font);
  }

  HWND Child(const wchar_t* className, DWORD style, int left, int top, int width, int height) {
    HWND child = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, left, top, width, height, parent,
                                 nullptr, nullptr, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
  }

  SIZE Extent(const std::wstring& text) {
    HDC dc = GetDC(parent);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    extent.cy = metrics.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(parent, dc);
    return extent;
  }

  HWND parent = nullptr;
  HFONT font = nullptr;
};

TEST_F(Controls, LabelsSizeThemselvesToTheirTextRightJustifiedOnesKeepTheirRightEdge) {
  TLabel left, right;
  left.Handle = Child(L"Static", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 24, 40, 15, 13);
  right.Handle = Child(L"Static", SS_RIGHT | SS_NOPREFIX, 23, 68, 98, 13);
  right.RightJustify = true;
  for (const std::wstring text : {L"Выберите язык:", L"Select the language:", L"x", L""}) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    const SIZE extent = Extent(text);
    left.SetText(text);
    right.SetText(text);
    EXPECT_EQ(left.Text(), text);
    const RECT l = left.BoundsRect(), r = right.BoundsRect();
    EXPECT_EQ(l.left, 24);
    EXPECT_EQ(l.top, 40);
    EXPECT_EQ(l.right - l.left, extent.cx);
    EXPECT_EQ(l.bottom - l.top, extent.cy);
    EXPECT_EQ(r.right, 121);
    EXPECT_EQ(r.top, 68);
    EXPECT_EQ(r.right - r.left, extent.cx);
  }
  // 8-bit texts are in the system's code page.
  left.SetTextA("C:\\Program Files\\Demo");
  EXPECT_EQ(left.Text(), L"C:\\Program Files\\Demo");
  EXPECT_EQ(left.BoundsRect().right - 24, Extent(L"C:\\Program Files\\Demo").cx);
}

// The columns of a window's client area that hold text: pixels of another
// colour than the background, the colour most pixels have.
std::vector<int> InkedColumns(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
  std::map<COLORREF, int> counts;
  for (int x = 0; x < client.right; ++x)
    for (int y = 0; y < client.bottom; ++y) ++counts[GetPixel(memory, x, y)];
  COLORREF background = 0;
  int most = 0;
  for (const auto& [colour, count] : counts)
    if (count > most) background = colour, most = count;
  std::vector<int> columns;
  for (int x = 0; x < client.right; ++x)
    for (int y = 0; y < client.bottom; ++y)
      if (GetPixel(memory, x, y) != background) {
        columns.push_back(x);
        break;
      }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return columns;
}

// A right-justified label that shrinks moves its text within itself: all
// of it must be drawn again, or the text shows at its old place, cut off.
TEST_F(Controls, ResizedLabelShowsItsWholeText) {
  TLabel right;
  right.Handle = Child(L"Static", SS_RIGHT | SS_NOPREFIX, 23, 68, 98, 13);
  right.RightJustify = true;
  ShowWindow(parent, SW_SHOW);
  for (const std::wstring text : {L"Select the language:", L"Выберите язык:", L"Select the language:"}) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    right.SetText(text);
    UpdateWindow(parent);
    const std::vector<int> inked = InkedColumns(right.Handle);
    ASSERT_FALSE(inked.empty());
    EXPECT_LE(inked.front(), 2) << "text starts at the label's left edge";
    EXPECT_GE(inked.back(), Extent(text).cx - 3) << "and ends at its right edge";
  }
}

TEST_F(Controls, SelectingAComboItemFromCodeRaisesNoChangeEvent) {
  TComboBox combo;
  combo.Handle = Child(L"ComboBox", CBS_DROPDOWNLIST, 0, 0, 145, 200);
  for (const wchar_t* item : {L"English", L"Russian"})
    SendMessageW(combo.Handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(combo.ItemIndex(), -1);
  Parent::selectionChanges = 0;
  combo.SetItemIndex(1);
  combo.SetItemIndex(0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(combo.ItemIndex(), 0);
  EXPECT_EQ(Parent::selectionChanges, 0);
}

TEST_F(Controls, StatesBoundsAndTheProgressBar) {
  TControl button;
  button.Handle = Child(L"Button", BS_PUSHBUTTON, 248, 128, 75, 25);
  // Visible is the control's own flag: it holds while its window is hidden.
  EXPECT_FALSE(IsWindowVisible(parent));
  EXPECT_TRUE(button.Visible());
  button.SetVisible(false);
  EXPECT_FALSE(button.Visible());
  button.SetEnabled(false);
  EXPECT_FALSE(button.Enabled());
  button.SetEnabled(true);
  EXPECT_TRUE(button.Enabled());
  button.SetBounds(-1, 2, 30, 40);
  const RECT r = button.BoundsRect();
  EXPECT_EQ(r.left, -1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 29);
  EXPECT_EQ(r.bottom, 42);

  TProgressBar bar;
  bar.Handle = Child(PROGRESS_CLASSW, 0, 16, 40, 321, 25);
  SendMessageW(bar.Handle, PBM_SETRANGE32, 0, 27);
  EXPECT_EQ(bar.Max(), 27);
  bar.SetPosition(bar.Position() + 1);
  EXPECT_EQ(bar.Position(), 1);
}

}  // namespace
