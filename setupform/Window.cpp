// The making of the window: its classes, registered once per process, the
// window itself, its controls and its place on the desktop.
#include <windows.h>

#include <commctrl.h>

#include "Application.h"
#include "SetupForm.h"
#include "SystemCursor.h"
#include "WindowClasses.h"

namespace {

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background, HICON icon, UINT style) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadSystemCursor(SystemCursor::Arrow);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

void RegisterWindowClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  const HBRUSH buttonFace = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  // The frame follows the window's edges, so every resize repaints it all.
  RegisterWindowClass(FormClassName, FormWindowProc, CreateSolidBrush(RGB(0, 0, 255)), Application.Icon,
                      CS_HREDRAW | CS_VREDRAW);
  RegisterWindowClass(PanelClassName, PanelWindowProc, buttonFace, nullptr, CS_HREDRAW | CS_VREDRAW);
  RegisterWindowClass(PaintBoxClassName, PaintBoxWindowProc, buttonFace, nullptr, 0);
}

}  // namespace

// The window starts at the client size its layout was drawn for; FormCreate
// then fits it to the work area.
void TSetupForm::Create() {
  RegisterWindowClasses();
  ChooseScale();
  const SIZE size = InitialWindowSize();
  CreateWindowExW(FormExStyle, FormClassName, L"Setup", FormStyle, 0, 0, size.cx, size.cy, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (!Handle) return;
  CreateControls();
  // The group box is a system control: its controls' notifications reach
  // the window through a subclass.
  SetWindowSubclass(GroupBox.Handle, GroupBoxSubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
  CentrePanel();
  Guarded([this] { FormCreate(); });
  PlaceOnDesktop();
}
