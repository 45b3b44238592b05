// Painting of the window: the sunken frame and the title with its shadow,
// the panel's bevel and the application icon on it, the group box's inside,
// the labels' colours, and the hand pointer over what can be clicked.
#include <windows.h>

#include <initializer_list>

#include "Application.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

// A solid one-pixel line through the points; each segment covers its
// starting point and stops one pixel short of its end.
void Polyline(HDC dc, COLORREF colour, std::initializer_list<POINT> points) {
  TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
  TSelected selected(dc, pen.Get());
  auto point = points.begin();
  MoveToEx(dc, point->x, point->y, nullptr);
  for (++point; point != points.end(); ++point) LineTo(dc, point->x, point->y);
}

}  // namespace

void TSetupForm::FormPaint() { PaintFrame(); }

void TSetupForm::PaintFrame() {
  RECT client{};
  GetClientRect(Handle, &client);
  const int w = client.right, h = client.bottom;
  SetBkMode(Canvas, TRANSPARENT);
  Polyline(Canvas, RGB(128, 128, 128), {{0, h - 1}, {0, 0}, {w - 1, 0}});
  Polyline(Canvas, RGB(255, 255, 255), {{w - 1, 0}, {w - 1, h - 1}, {0, h - 1}});

  // 24 points: 32 pixels high at 96 dots per inch. The name is what the
  // product has always asked for; the system substitutes a face for it.
  TGdiObject<HFONT> font(CreateFontW(-MulDiv(24, GetDeviceCaps(Canvas, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, TRUE,
                                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"New Times Roman"));
  TSelected selected(Canvas, font.Get());
  // The title is in the system's code page, as the package carries it.
  const std::wstring title = Pack ? ToWide(Pack->Title, CodePageAnsi) : std::wstring();
  SetTextColor(Canvas, RGB(0, 0, 0));
  TextOutW(Canvas, 20, 20, title.c_str(), int(title.size()));
  SetTextColor(Canvas, RGB(0, 255, 255));
  TextOutW(Canvas, 18, 18, title.c_str(), int(title.size()));
}

// At its own size (32 x 32); its transparent pixels leave the panel's colour.
void TSetupForm::PaintBoxPaint() {
  DrawIconEx(Canvas, 0, 0, Application.Icon, 0, 0, 0, nullptr, DI_NORMAL);
}

// A raised one-pixel bevel.
void TSetupForm::PanelPaint() {
  RECT bounds{};
  GetClientRect(Panel.Handle, &bounds);
  DrawEdge(Canvas, &bounds, BDR_RAISEDINNER, BF_RECT);
}

// A group box draws only its frame and caption: the inside is the panel's colour.
void TSetupForm::GroupBoxEraseBackground() {
  RECT bounds{};
  GetClientRect(GroupBox.Handle, &bounds);
  FillRect(Canvas, &bounds, GetSysColorBrush(COLOR_BTNFACE));
}

// The destination is blue, as a link; every label lies on the panel's colour.
HBRUSH TSetupForm::LabelColours(HDC dc, HWND label) {
  SetTextColor(dc, label == FolderLabel.Handle ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool TSetupForm::ControlSetCursor(HWND control, UINT hitTest) {
  if (hitTest != HTCLIENT ||
      (control != FolderLabel.Handle && control != ExitButton.Handle && control != StartButton.Handle))
    return false;
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
  return true;
}
