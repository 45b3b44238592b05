// The keyboard focus: kept while the window is inactive and given back when
// it is activated again; Enter presses only a button that has it.
#include <windows.h>

#include "SetupForm.h"

void TSetupForm::FormDeactivate() {
  const HWND focus = GetFocus();
  if (focus && IsChild(Handle, focus)) focusedControl_ = focus;
}

void TSetupForm::FormActivate() {
  CenterPanel();
  // The focus goes back where it was, or to the first control in tab order.
  if (!focusedControl_ || !IsWindow(focusedControl_) || !IsWindowVisible(focusedControl_) ||
      !IsWindowEnabled(focusedControl_))
    focusedControl_ = GetNextDlgTabItem(Handle, nullptr, FALSE);
  if (focusedControl_ && !IsIconic(Handle)) SetFocus(focusedControl_);
}

void TSetupForm::PressFocusedButton() {
  const HWND focus = GetFocus();
  if (focus == ExitButton.Handle && ExitButton.Enabled()) ExitButtonClick();
  if (focus == StartButton.Handle && StartButton.Enabled()) StartButtonClick();
}
