#include "Controls.h"

#include <commctrl.h>

#include "GdiObject.h"
#include "Text.h"

void TControl::SetText(const std::wstring& text) { SetWindowTextW(Handle, text.c_str()); }

void TControl::SetTextA(const std::string& text) { SetText(ToWide(text, CodePageAnsi)); }

std::wstring TControl::Text() const {
  std::wstring text(size_t(GetWindowTextLengthW(Handle)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(Handle, text.data(), int(text.size()))));
  return text;
}

void TControl::SetVisible(bool visible) { ShowWindow(Handle, visible ? SW_SHOW : SW_HIDE); }

// The control's own flag: it holds while the window around it is hidden.
bool TControl::Visible() const { return (GetWindowLongW(Handle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TControl::SetEnabled(bool enabled) { EnableWindow(Handle, enabled); }

bool TControl::Enabled() const { return IsWindowEnabled(Handle) != FALSE; }

void TControl::SetBounds(int left, int top, int width, int height) { MoveWindow(Handle, left, top, width, height, TRUE); }

RECT TControl::BoundsRect() const {
  RECT bounds{};
  GetWindowRect(Handle, &bounds);
  MapWindowPoints(HWND_DESKTOP, GetParent(Handle), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

void TLabel::SetText(const std::wstring& text) {
  TControl::SetText(text);
  AutoSize();
}

void TLabel::SetTextA(const std::string& text) { SetText(ToWide(text, CodePageAnsi)); }

// The text's extent in the label's own font; a right-justified label keeps
// its right edge.
void TLabel::AutoSize() {
  const std::wstring text = Text();
  SIZE extent{};
  TEXTMETRICW metrics{};
  {
    TWindowDC dc(Handle);
    TSelected font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(Handle, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.Get(), text.c_str(), int(text.size()), &extent);
    GetTextMetricsW(dc.Get(), &metrics);
  }

  const RECT bounds = BoundsRect();
  const int left = RightJustify ? bounds.right - extent.cx : bounds.left;
  SetBounds(left, bounds.top, extent.cx, metrics.tmHeight);
  // A move keeps the pixels the label showed at its old size, and the text
  // of a right-justified label moves within it: draw all of it again.
  InvalidateRect(Handle, nullptr, TRUE);
}

int TComboBox::ItemIndex() const { return int(SendMessageW(Handle, CB_GETCURSEL, 0, 0)); }

// CB_SETCURSEL sends no notification, so no change event follows.
void TComboBox::SetItemIndex(int index) { SendMessageW(Handle, CB_SETCURSEL, WPARAM(index), 0); }

int TProgressBar::Position() const { return int(SendMessageW(Handle, PBM_GETPOS, 0, 0)); }

void TProgressBar::SetPosition(int position) { SendMessageW(Handle, PBM_SETPOS, WPARAM(position), 0); }

int TProgressBar::Max() const { return int(SendMessageW(Handle, PBM_GETRANGE, FALSE, 0)); }
