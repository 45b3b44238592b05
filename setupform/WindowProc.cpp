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

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  if (message == WM_NCCREATE && form) form->Handle = window;
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return GuardedResult([&] { return form->WindowProc(message, wParam, lParam); });
}

// A panel with a raised one-pixel bevel; its controls' notifications go to the window.
LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  return GuardedResult([&]() -> LRESULT {
    LRESULT result = 0;
    if (form && form->ControlMessage(message, wParam, lParam, result)) return result;
    if (message == WM_PAINT) {
      TPaintScope paint(window);
      RECT bounds{};
      GetClientRect(window, &bounds);
      DrawEdge(paint.Get(), &bounds, BDR_RAISEDINNER, BF_RECT);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  });
}

LRESULT CALLBACK PaintBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSetupForm* form = FormOf(window, message, lParam);
  if (message != WM_PAINT || !form) return DefWindowProcW(window, message, wParam, lParam);
  return GuardedResult([&]() -> LRESULT {
    TPaintScope paint(window);
    TCanvasScope canvas(*form, paint.Get());
    form->PaintBoxPaint();
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
      // A group box draws only its frame and caption: the inside is the panel's colour.
      RECT bounds{};
      GetClientRect(window, &bounds);
      FillRect(reinterpret_cast<HDC>(wParam), &bounds, GetSysColorBrush(COLOR_BTNFACE));
      return TRUE;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background, HICON icon, UINT style) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

}  // namespace

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

void ForwardGroupBoxMessages(HWND groupBox, TSetupForm* form) {
  SetWindowSubclass(groupBox, GroupBoxSubclassProc, 0, reinterpret_cast<DWORD_PTR>(form));
}

LRESULT TSetupForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle, focus)) FocusedControl = focus;
        return 0;
      }
      FormActivate();
      // The focus goes back where it was, or to the first control in tab order.
      if (!FocusedControl || !IsWindow(FocusedControl) || !IsWindowVisible(FocusedControl) ||
          !IsWindowEnabled(FocusedControl))
        FocusedControl = GetNextDlgTabItem(Handle, nullptr, FALSE);
      if (FocusedControl && !IsIconic(Handle)) SetFocus(FocusedControl);
      return 0;
    case WM_SIZE:
      FormResize();
      return 0;
    case WM_PAINT: {
      TPaintScope paint(Handle);
      TCanvasScope canvas(*this, paint.Get());
      FormPaint();
      return 0;
    }
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
    case WM_COMMAND: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      const WORD code = HIWORD(wParam);
      if (!control) {
        // Enter, through the dialog keys: only a button with the focus is pressed.
        if (LOWORD(wParam) == IDOK) PressFocusedButton();
        return true;
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
      for (const auto& event : events)
        if (control == event.control && code == event.code) (this->*event.handler)();
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      const HDC dc = reinterpret_cast<HDC>(wParam);
      const bool link = reinterpret_cast<HWND>(lParam) == FolderLabel.Handle;
      SetTextColor(dc, link ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
      SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_SETCURSOR: {
      const HWND control = reinterpret_cast<HWND>(wParam);
      if (LOWORD(lParam) != HTCLIENT ||
          (control != FolderLabel.Handle && control != ExitButton.Handle && control != StartButton.Handle))
        return false;
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void TSetupForm::PressFocusedButton() {
  const HWND focus = GetFocus();
  if (focus == ExitButton.Handle && ExitButton.Enabled()) ExitButtonClick();
  if (focus == StartButton.Handle && StartButton.Enabled()) StartButtonClick();
}
