// The window's layout: one table describes every control; positions are
// those of 96 dots per inch, scaled by the font's text height elsewhere.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "ControlIds.h"
#include "Languages.h"
#include "SetupForm.h"
#include "Shortcuts.h"
#include "WindowClasses.h"

namespace {

constexpr int LayoutTextHeight = 13;  // of the window font at 96 dots per inch
constexpr int InitialClientWidth = 825, InitialClientHeight = 563;

enum class Kind { Panel, Label, PaintBox, GroupBox, ProgressBar, ComboBox, Button };

struct KindClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

// Indexed by Kind.
const KindClass KindClasses[] = {
    {PanelClassName, WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT},
    {L"Static", SS_NOPREFIX, 0},
    {PaintBoxClassName, 0, 0},
    {L"Button", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT},
    {PROGRESS_CLASSW, 0, 0},
    {L"ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0},
    {L"Button", BS_PUSHBUTTON | WS_TABSTOP, 0},
};

enum Option : unsigned {
  Hidden = 1,
  Clickable = 2,     // a label that reports clicks
  RightJustify = 4,  // a label that keeps its right edge
};

struct ControlDescription {
  ControlId id;
  TControl* control;
  TControl* parent;  // null: the window itself
  Kind kind;
  int left, top, width, height;
  const wchar_t* text;
  unsigned options;
};

// The extraction's stops, then the shortcuts'.
constexpr int ProgressMax = TUnPack::ProgressStops + Shortcuts::ProgressStops;

}  // namespace

void TSetupForm::ChooseScale() {
  TWindowDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  font_.Reset(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         L"MS Sans Serif"));
  textHeight_ = LayoutTextHeight;
  if (dpi == 96) return;
  TSelected font(screen.Get(), font_.Get());
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(screen.Get(), &metrics)) textHeight_ = metrics.tmHeight;
}

int TSetupForm::Scaled(int layoutPixels) const { return MulDiv(layoutPixels, textHeight_, LayoutTextHeight); }

// Controls are created in the order of the table, which is also their tab
// order: LanguageComboBox, ExitButton, StartButton.
void TSetupForm::CreateControls() {
  const ControlDescription layout[] = {
      {PanelId, &Panel, nullptr, Kind::Panel, 88, 40, 465, 169, L"", 0},
      {RequiredLabelId, &RequiredLabel, &Panel, Kind::Label, 16, 128, 43, 13, L"Requied:", 0},
      {FreeLabelId, &FreeLabel, &Panel, Kind::Label, 16, 144, 47, 13, L"FreeLabel", 0},
      {PaintBoxId, &PaintBox, &Panel, Kind::PaintBox, 16, 48, 32, 32, L"", 0},
      {GroupBoxId, &GroupBox, &Panel, Kind::GroupBox, 64, 16, 353, 105, L"", 0},
      {FolderLabelId, &FolderLabel, &GroupBox, Kind::Label, 24, 40, 15, 13, L"C:\\", Clickable},
      {LanguageLabelId, &LanguageLabel, &GroupBox, Kind::Label, 23, 68, 98, 13, L"Select the language:", RightJustify},
      {FolderCaptionLabelId, &FolderCaptionLabel, &GroupBox, Kind::Label, 24, 24, 88, 13, L"Destination Folder:", 0},
      {ProgressBarId, &ProgressBar, &GroupBox, Kind::ProgressBar, 16, 40, 321, 25, L"", Hidden},
      {LanguageComboBoxId, &LanguageComboBox, &GroupBox, Kind::ComboBox, 128, 64, 145, 21, L"", 0},
      {ExitButtonId, &ExitButton, &Panel, Kind::Button, 344, 128, 75, 25, L"Exit", 0},
      {StartButtonId, &StartButton, &Panel, Kind::Button, 248, 128, 75, 25, L"Start", 0},
  };

  for (const ControlDescription& row : layout) {
    const KindClass& kind = KindClasses[static_cast<int>(row.kind)];
    DWORD style = WS_CHILD | kind.style | ((row.options & Hidden) ? 0 : WS_VISIBLE);
    if (row.kind == Kind::Label)
      style |= ((row.options & RightJustify) ? SS_RIGHT : SS_LEFTNOWORDWRAP) | ((row.options & Clickable) ? SS_NOTIFY : 0);
    int height = Scaled(row.height);
    if (row.kind == Kind::ComboBox) height += Scaled(13) * 8;  // room for the list when dropped down
    row.control->Handle = CreateWindowExW(kind.exStyle, kind.className, row.text, style, Scaled(row.left),
                                          Scaled(row.top), Scaled(row.width), height,
                                          row.parent ? row.parent->Handle : Handle,
                                          reinterpret_cast<HMENU>(INT_PTR(row.id)), GetModuleHandleW(nullptr), this);
    SendMessageW(row.control->Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    if (row.kind == Kind::Label) {
      TLabel& label = static_cast<TLabel&>(*row.control);
      label.RightJustify = (row.options & RightJustify) != 0;
      label.SetText(row.text);  // sizes the label to its text in the actual font
    }
  }

  for (int32_t number = 0; const TLanguage* language = FindLanguage(number); ++number)
    SendMessageW(LanguageComboBox.Handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language->Name));
  SendMessageW(LanguageComboBox.Handle, CB_SETITEMHEIGHT, 0, Scaled(13));
  SendMessageW(ProgressBar.Handle, PBM_SETRANGE32, 0, ProgressMax);
  SendMessageW(ProgressBar.Handle, PBM_SETPOS, 0, 0);
}

// The client size the layout was drawn for, with the frame around it.
SIZE TSetupForm::InitialWindowSize() const {
  RECT frame{0, 0, Scaled(InitialClientWidth), Scaled(InitialClientHeight)};
  AdjustWindowRectEx(&frame, FormStyle, FALSE, FormExStyle);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// Halves rounded toward zero, as signed integer division does: a window
// narrower than the panel by 3 pixels puts it at -1.
void TSetupForm::CenterPanel() {
  if (!Panel.Handle) return;
  RECT client{};
  GetClientRect(Handle, &client);
  const RECT bounds = Panel.BoundsRect();
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  Panel.SetBounds((client.right - width) / 2, (client.bottom - height) / 2, width, height);
}

void TSetupForm::FormResize() { CenterPanel(); }

POINT CentredOnDesktop(const RECT& desktop, SIZE window) {
  // Halves rounded toward zero; a window larger than the desktop keeps to
  // its start.
  const auto start = [](LONG from, LONG to, LONG size) { return from + std::max<LONG>((to - from - size) / 2, 0); };
  return {start(desktop.left, desktop.right, window.cx), start(desktop.top, desktop.bottom, window.cy)};
}

// The restored rectangle goes to the middle of the desktop.
void TSetupForm::PlaceOnDesktop() {
  RECT bounds{};
  GetWindowRect(Handle, &bounds);
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const RECT desktop{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  const POINT place = CentredOnDesktop(desktop, {bounds.right - bounds.left, bounds.bottom - bounds.top});
  SetWindowPos(Handle, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
