// Drives a Windows program from another process as a person would, and
// reads what a person would see: windows, texts, states, rectangles and
// pixels. Runs under the same Wine and display as the program it drives.
//
// Used by the GUI test programs (tests/gui/, GoogleTest; register them with
// add_gui_test_program() in tests/gui/CMakeLists.txt, with the screen's lock
// or a display of their own, so that they never overlap)
// and by the command-line front guidriver.exe.
//
//   GuiDriver::TempDir dir;                            // a fresh, empty folder
//   dir.WriteFile(L"data.z", packageBytes);            // e.g. from Package::Encode*
//   GuiDriver::Process setup(GuiDriver::SetupExe(), dir.Path());
//   HWND window = setup.WaitForWindow(L"TSetupForm");
//   GuiDriver::Click(GuiDriver::FindControl(window, L"Button", L"Exit"));
//   HWND box = setup.WaitForDialog();
//   GuiDriver::Dialog shown = GuiDriver::ReadDialog(box);  // caption, text, buttons
//   GuiDriver::AnswerDialog(box, L"Yes");
//   DWORD code = 0;
//   setup.WaitForExit(&code);
//
// Texts are read and written with the wide-character API, so Cyrillic comes
// back as Cyrillic under any code page. Waits poll; their time-outs only keep
// a broken program from hanging a test, and no result depends on a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace GuiDriver {

constexpr DWORD DefaultTimeout = 30000;  // milliseconds

// Polls `condition` until it holds (true) or the time-out passes (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout = DefaultTimeout);

// ---- Files and folders

// A Unix path (as the build gives it) as Wine sees it: /a/b becomes Z:\a\b.
// A Windows path is returned unchanged.
std::wstring WindowsPath(const std::string& path);

// The setup.exe of this build.
std::wstring SetupExe();

// A new empty folder under %TEMP%; it is removed, with everything in it,
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  bool WriteFile(const std::wstring& name, const std::string& bytes) const;
  bool CopyFrom(const std::wstring& source, const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Reads a whole file; false when it cannot be read.
bool ReadFile(const std::wstring& path, std::string& bytes);

// Removes a folder and everything in it.
void RemoveTree(const std::wstring& path);

// ---- The program

class Process {
 public:
  // Starts `exe` with `directory` as its current directory. A showCommand
  // of -1 gives none (the program then sees SW_SHOWDEFAULT); any other value
  // is handed over in the start-up information (e.g. SW_SHOWMINNOACTIVE).
  // `arguments` follow the quoted program path on the command line.
  Process(const std::wstring& exe, const std::wstring& directory, int showCommand = -1,
          const std::wstring& arguments = L"");
  // Ends the program if it still runs, so the next test starts clean.
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  DWORD Id() const { return info_.dwProcessId; }
  bool Running() const;

  // The program's top-level windows (only the visible ones by default).
  std::vector<HWND> Windows(bool visibleOnly = true) const;
  // A visible top-level window of that class; null after the time-out or
  // when the program ended.
  HWND WaitForWindow(const std::wstring& className, DWORD timeout = DefaultTimeout) const;
  // A visible dialog box (the program's message dialog "TMessageForm", or a
  // system dialog "#32770": message boxes, the folder chooser); null after
  // the time-out or when the program ended first.
  HWND WaitForDialog(DWORD timeout = DefaultTimeout) const;
  // Waits for the end of the program; false after the time-out.
  bool WaitForExit(DWORD* exitCode, DWORD timeout = DefaultTimeout) const;

 private:
  PROCESS_INFORMATION info_{};
};

// Watches the screen, on a thread of its own, for any visible top-level
// window of another process that was not there when the watch began: what
// a program that must show nothing (setup.exe /S) would give away. It looks
// every few milliseconds, so a window shown for less may pass unseen.
class WindowWatch {
 public:
  WindowWatch();
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  // Ends the watch; the windows that appeared, as "class: text", once each.
  std::vector<std::wstring> Stop();

 private:
  static DWORD WINAPI Watch(void* self);
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  std::vector<HWND> before_;
  std::vector<HWND> appeared_;
  std::vector<std::wstring> described_;
};

// ---- Reading windows

std::wstring ClassName(HWND window);
std::wstring Text(HWND window);
bool Visible(HWND window);   // the window and all its parents are visible
bool Enabled(HWND window);
bool IsDialog(HWND window);  // of a dialog class (see WaitForDialog)
RECT ScreenRect(HWND window);
RECT RectInParent(HWND window);  // the outer rectangle in the parent's client area
SIZE ClientSize(HWND window);
int IdOf(HWND control);  // GetDlgCtrlID

// Every control under `root`, at any depth.
std::vector<HWND> Controls(HWND root);
// The first control under `root` of that class (any case) and text; null if none.
HWND FindControl(HWND root, const std::wstring& className, const std::wstring& text);
// The control under `root` with that id; null if none.
HWND FindControlById(HWND root, int id);

int ComboIndex(HWND combo);
int ComboCount(HWND combo);
std::wstring ComboItem(HWND combo, int index);
int ProgressPosition(HWND progressBar);
int ProgressMax(HWND progressBar);

// ---- Pixels

// What the screen shows of a window's client area now, child controls
// included. Colours are COLORREF values (RGB(r, g, b)).
struct Capture {
  int Width = 0, Height = 0;
  std::vector<COLORREF> Pixels;  // row by row from the top
  COLORREF At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};
Capture CaptureClient(HWND window);

// ---- Acting as a person

// Presses a button (a posted BM_CLICK). A person cannot press a hidden or
// disabled button: then nothing is posted and the result is false.
bool Click(HWND button);
// Clicks the middle of a control with the left mouse button (posted
// button-down and button-up), if it is visible and enabled.
bool ClickControl(HWND control);
// Chooses an item of a drop-down list as a user does: the selection and the
// change notification to the list's parent. False if hidden or disabled.
bool SelectComboItem(HWND combo, int index);
// Presses and releases a key (VK_RETURN, VK_ESCAPE, VK_TAB, ...) in a
// window: it goes to the control of that window that has the focus.
void PressKey(HWND window, WORD virtualKey);
// The window's own close button (the system menu's Close).
void PressCloseBox(HWND window);

// ---- Dialog boxes

struct Dialog {
  std::wstring Caption;
  std::wstring Text;                  // the message
  std::vector<std::wstring> Buttons;  // captions from left to right, '&' kept
};
Dialog ReadDialog(HWND dialog);
// Presses the button whose caption, without its '&', is `button`.
bool AnswerDialog(HWND dialog, const std::wstring& button);

// A caption without the '&' that marks its access key.
std::wstring WithoutAccessKey(const std::wstring& caption);

}  // namespace GuiDriver
