#include "MessageDialog.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "GdiObject.h"
#include "MessagePump.h"
#include "SystemCursor.h"
#include "SystemIcon.h"
#include "TaskWindows.h"
#include "Text.h"
#include "Unattended.h"

namespace {

MessageDlgHook& Hook() {
  static MessageDlgHook hook;
  return hook;
}

constexpr wchar_t BoxClassName[] = L"TMessageForm";
constexpr int TextId = 0xFFFF;  // the id the system's own message boxes give their text

struct DialogType {
  const wchar_t* caption;
  SystemIcon icon;
};
constexpr DialogType DialogTypes[] = {
    {L"Error", SystemIcon::Error},              // mtError
    {L"Information", SystemIcon::Information},  // mtInformation
    {L"Confirm", SystemIcon::Question},         // mtConfirmation
};

// In the order they stand, left to right; a button's id is its answer.
struct DialogButton {
  TMsgDlgBtn button;
  const wchar_t* caption;
  int answer;
};
constexpr DialogButton DialogButtons[] = {{mbYes, L"&Yes", mrYes}, {mbNo, L"&No", mrNo}, {mbOK, L"OK", mrOk}};

// Enter presses OK if there is one, else Yes. Esc answers Cancel if there
// is a Cancel button (this program's boxes have none), else No, else OK.
int EnterAnswer(unsigned buttons) { return (buttons & mbOK) ? mrOk : (buttons & mbYes) ? mrYes : mrNone; }
int EscapeAnswer(unsigned buttons) { return (buttons & mbNo) ? mrNo : (buttons & mbOK) ? mrOk : mrNone; }

struct Box {
  HWND window = nullptr;
  unsigned buttons = 0;
  int answer = mrNone;
};

LRESULT CALLBACK BoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  Box* box = reinterpret_cast<Box*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (box) switch (message) {
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
          box->answer = LOWORD(wParam);
          return 0;
        }
        break;
      case WM_CLOSE:  // the close box, the system menu, Alt+F4
        box->answer = mrCancel;
        return 0;
    }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterBoxClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = BoxWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadSystemCursor(SystemCursor::Arrow);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = BoxClassName;
  registered = RegisterClassExW(&windowClass) != 0;
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, RECT r, HFONT font) {
  HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

// Places the icon, the text and the buttons in units of the message font,
// sizes the box around them and centres it on the screen. Returns the
// button that Enter presses (the first button when there is none).
HWND LayOut(HWND window, const std::wstring& text, const DialogType& type, unsigned buttons, HFONT font) {
  SIZE average{};
  int textHeight = 0;
  RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  {
    TWindowDC dc(window);
    TSelected selected(dc.Get(), font);
    static const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc.Get(), alphabet, 52, &average);
    average.cx = (average.cx + 26) / 52;  // the mean width of a letter, rounded
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    textHeight = metrics.tmHeight;
    // As an edit control does, a word too long for a line is broken.
    DrawTextW(dc.Get(), text.c_str(), int(text.size()), &textRect,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX);
  }
  // Dialog units: a quarter of the average character width, an eighth of its height.
  auto x = [&](int units) { return MulDiv(units, average.cx, 4); };
  auto y = [&](int units) { return MulDiv(units, textHeight, 8); };
  const int iconSize = GetSystemMetrics(SM_CXICON);
  const int buttonWidth = x(50), buttonHeight = y(14), buttonGap = x(4);

  int buttonCount = 0;
  for (const DialogButton& b : DialogButtons)
    if (buttons & b.button) ++buttonCount;
  const int buttonsWidth = buttonCount * buttonWidth + (buttonCount > 0 ? (buttonCount - 1) * buttonGap : 0);
  // A text larger than the screen (a package's names come whole) is cut, so
  // that the box and its buttons stay on the screen.
  RECT frameOnly{0, 0, 0, 0};
  AdjustWindowRectEx(&frameOnly, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
  const int maxTextWidth = GetSystemMetrics(SM_CXSCREEN) - (frameOnly.right - frameOnly.left) - 2 * x(8) -
                           iconSize - x(10);
  const int maxTextHeight = GetSystemMetrics(SM_CYSCREEN) - (frameOnly.bottom - frameOnly.top) - y(8) - y(10) -
                            buttonHeight - y(8);
  const int textWidth = std::min<int>(textRect.right - textRect.left, maxTextWidth);
  const int textBottom = std::min<int>(textRect.bottom - textRect.top, maxTextHeight);
  const int topPartWidth = iconSize + x(10) + textWidth;
  const int topPartHeight = textBottom > iconSize ? textBottom : iconSize;
  const int clientWidth = (topPartWidth > buttonsWidth ? topPartWidth : buttonsWidth) + 2 * x(8);
  const int clientHeight = y(8) + topPartHeight + y(10) + buttonHeight + y(8);

  HWND icon = CreateChild(window, L"Static", nullptr, SS_ICON, -1,
                          {x(8), y(8), x(8) + iconSize, y(8) + iconSize}, font);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadSystemIcon(type.icon)), 0);
  const int textLeft = x(8) + iconSize + x(10);
  CreateChild(window, L"Static", text.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, TextId,
              {textLeft, y(8), textLeft + textWidth, y(8) + textBottom}, font);

  const int enterAnswer = EnterAnswer(buttons);
  HWND pressedByEnter = nullptr;
  int left = (clientWidth - buttonsWidth) / 2;
  const int top = y(8) + topPartHeight + y(10);
  for (const DialogButton& b : DialogButtons) {
    if (!(buttons & b.button)) continue;
    const DWORD style = WS_TABSTOP | (b.answer == enterAnswer ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateChild(window, L"Button", b.caption, style, b.answer,
                              {left, top, left + buttonWidth, top + buttonHeight}, font);
    if (b.answer == enterAnswer || !pressedByEnter) pressedByEnter = button;
    left += buttonWidth + buttonGap;
  }

  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return pressedByEnter;
}

// Enter presses the button that has the focus, else the default one; Esc
// answers as the box's buttons allow. True when the key was taken.
bool HandleDialogKey(Box& box, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.hwnd != box.window && !IsChild(box.window, msg.hwnd))) return false;
  if (msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    wchar_t className[16] = L"";
    if (focus && GetParent(focus) == box.window && GetClassNameW(focus, className, 16) &&
        lstrcmpiW(className, L"Button") == 0)
      box.answer = GetDlgCtrlID(focus);
    else if (const int answer = EnterAnswer(box.buttons))
      box.answer = answer;
    return true;
  }
  if (msg.wParam == VK_ESCAPE) {
    if (const int answer = EscapeAnswer(box.buttons)) box.answer = answer;
    return true;
  }
  return false;
}

// The box's own loop. Once the program has been asked to end, the box
// closes after the message in hand, answering Cancel.
void RunModal(Box& box) {
  while (box.answer == mrNone) {
    if (IsTerminated() || !IsWindow(box.window)) {
      box.answer = mrCancel;
      break;
    }
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) {
      SetTerminated();
      continue;
    }
    if (HandleDialogKey(box, msg) || IsDialogMessageW(box.window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int ShowBox(const std::wstring& text, TMsgDlgType type, unsigned buttons) {
  if (IsTerminated()) return mrCancel;
  RegisterBoxClass();
  const DialogType& kind = DialogTypes[static_cast<int>(type)];

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  TGdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMessageFont));

  Box box;
  box.buttons = buttons;
  box.window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT, BoxClassName,
                               kind.caption, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 0, 0,
                               GetActiveWindow(), nullptr, GetModuleHandleW(nullptr), &box);
  if (!box.window) return mrCancel;
  HWND focus = LayOut(box.window, text, kind, buttons, font.Get());

  TTaskWindowsDisabled others(box.window);
  ShowWindow(box.window, SW_SHOW);
  SetForegroundWindow(box.window);
  if (focus) SetFocus(focus);
  RunModal(box);
  // Windows enabled first, so that the system hands activation back to them.
  others.Enable();
  DestroyWindow(box.window);
  others.Restore();
  return box.answer;
}

// With no one at the screen the box goes to the log, and is answered as the
// run was asked to go: Yes where it is offered, else OK.
int LogBox(const std::wstring& text, TMsgDlgType type, unsigned buttons) {
  LogLine(std::wstring(DialogTypes[static_cast<int>(type)].caption) + L": " + text);
  if (!(buttons & mbYes)) return mrOk;
  LogLine(L"Answered: Yes");
  return mrYes;
}

}  // namespace

void SetMessageDlgHook(MessageDlgHook hook) { Hook() = std::move(hook); }

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
  return MessageDlg(ToWide(text), type, buttons);
}

int MessageDlg(const std::wstring& text, TMsgDlgType type, unsigned buttons) {
  if (Hook()) return Hook()(text, type, buttons);
  if (Unattended()) return LogBox(text, type, buttons);
  return ShowBox(text, type, buttons);
}
