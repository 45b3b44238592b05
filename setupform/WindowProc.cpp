// The window procedures: each only passes the event to the TSetupForm
// handler named for it. Errors stop here and go to the exception display.
#include <windows.h>

#include <commctrl.h>

#include "Application.h"
#include "SetupForm.h"
#include "WindowClasses.h"

namespace {

TSetupForm* FormOf(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  return reinterpret_cast<TSetupForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Runs a handler; an error that escapes it is shown, and the message then
// counts as handled with the result 0.
template <class Handler>
LRESULT GuardedResult(Handler&& handler) {
  try {
    return handler();
  } catch (...) {
    Application.HandleException();
    return 0;
  }
}

// Sets TSetupForm::Canvas for the length of a paint handler.
class TCanvasScope {
 public:
  TCanvasScope(TSetupForm& form, HDC dc) : form_(form) { form_.Canvas = dc; }
  ~TCanvasScope() { form_.Canvas = nullptr; }
  TCanvasScope(const TCanvasScope&) = delete;
  TCanvasScope& operator=(const TCanvasScope&) = delete;

 private:
  TSetupForm& form_;
};

// Runs a paint handler between BeginPaint and EndPaint.
void PaintWith(TSetupForm& form, HWND window, void (TSetupForm::*handler)()) {
  TPaintScope paint(window);
  TCanvasScope canvas(form, paint.Get());
  (form.*handler)();
}

}  // namespace

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  if (message == WM_NCCREATE && form) form->Handle = window;
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return GuardedResult([&] { return form->WindowProc(message, wParam, lParam); });
}

// The panel's controls' notifications go to the window.
LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return GuardedResult([&]() -> LRESULT {
    LRESULT result = 0;
    if (form->ControlMessage(message, wParam, lParam, result)) return result;
    if (message == WM_PAINT) {
      PaintWith(*form, window, &TSetupForm::PanelPaint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  });
}

LRESULT CALLBACK PaintBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  if (message != WM_PAINT || !form) return DefWindowProcW(window, message, wParam, lParam);
  return GuardedResult([&]() -> LRESULT {
    PaintWith(*form, window, &TSetupForm::PaintBoxPaint);
    return 0;
  });
}

LRESULT CALLBACK GroupBoxSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
  TSetupForm* form = reinterpret_cast<TSetupForm*>(data);
  return GuardedResult([&]() -> LRESULT {
    LRESULT result = 0;
    if (form->ControlMessage(message, wParam, lParam, result)) return result;
    if (message == WM_ERASEBKGND) {
      TCanvasScope canvas(*form, reinterpret_cast<HDC>(wParam));
      form->GroupBoxEraseBackground();
      return TRUE;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

LRESULT TSetupForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE)
        FormDeactivate();
      else
        FormActivate();
      return 0;
    case WM_SIZE:
      FormResize();
      return 0;
    case WM_PAINT:
      PaintWith(*this, Handle, &TSetupForm::FormPaint);
      return 0;
    case WM_CLOSE:  // the close button, the system menu, Alt+F4: no question
      Close();
      return 0;
    default:
      if (ControlMessage(message, wParam, lParam, result)) return result;
      return DefWindowProcW(Handle, message, wParam, lParam);
  }
}

bool TSetupForm::ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_COMMAND:
      ControlCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
      return true;
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<LRESULT>(LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
      return true;
    case WM_SETCURSOR:
      if (!ControlSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return false;
      result = TRUE;
      return true;
    default:
      return false;
  }
}

void TSetupForm::ControlCommand(HWND control, WORD id, WORD code) {
  if (!control) {
    // Enter, through the dialog keys: only a button with the focus is pressed.
    if (id == IDOK) PressFocusedButton();
    return;
  }
  const struct {
    HWND control;
    WORD code;
    void (TSetupForm::*handler)();
  } events[] = {
      {ExitButton.Handle, BN_CLICKED, &TSetupForm::ExitButtonClick},
      {StartButton.Handle, BN_CLICKED, &TSetupForm::StartButtonClick},
      {FolderLabel.Handle, STN_CLICKED, &TSetupForm::FolderLabelClick},
      {LanguageComboBox.Handle, CBN_SELCHANGE, &TSetupForm::LanguageComboBoxChange},
  };
  // Input queued before Install hid or disabled a control, or before a
  // modal dialog disabled the window, still reaches the control from a
  // nested message loop (the extraction's stops, the dialog's own): a
  // control the user can no longer reach raises no event.
  if (!IsWindowVisible(control) || !IsWindowEnabled(control) || !IsWindowEnabled(Handle)) return;
  for (const auto& event : events)
    if (control == event.control && code == event.code) (this->*event.handler)();
}
