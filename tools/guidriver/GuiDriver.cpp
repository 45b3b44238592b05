#include "GuiDriver.h"

#include <commctrl.h>

#include <algorithm>

namespace GuiDriver {

namespace {

constexpr UINT SendTimeout = 5000;  // a hung program must not hang the driver

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeout, &result)) return -1;
  return LRESULT(result);
}

struct WindowSearch {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM data) {
  WindowSearch& search = *reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && (!search.visibleOnly || IsWindowVisible(window))) search.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectControl(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

// Visible top-level windows of processes other than this one.
BOOL CALLBACK CollectOthersWindow(HWND window, LPARAM data) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != GetCurrentProcessId() && IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

std::vector<HWND> OthersWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectOthersWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::wstring Widen(const std::string& text) {
  std::wstring out(text.size(), L'\0');
  out.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size()))));
  return out;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout) {
  const ULONGLONG end = GetTickCount64() + timeout;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

WindowWatch::WindowWatch() : before_(OthersWindows()) {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

WindowWatch::~WindowWatch() {
  Stop();
  CloseHandle(stop_);
}

DWORD WINAPI WindowWatch::Watch(void* self) {
  WindowWatch& watch = *static_cast<WindowWatch*>(self);
  do {
    for (HWND window : OthersWindows()) {
      const auto known = [&](const std::vector<HWND>& list) {
        for (HWND w : list)
          if (w == window) return true;
        return false;
      };
      if (known(watch.before_) || known(watch.appeared_)) continue;
      watch.appeared_.push_back(window);
      watch.described_.push_back(ClassName(window) + L": " + Text(window));
    }
  } while (WaitForSingleObject(watch.stop_, 2) == WAIT_TIMEOUT);
  return 0;
}

std::vector<std::wstring> WindowWatch::Stop() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return described_;
}

// ---- Files and folders

std::wstring WindowsPath(const std::string& path) {
  std::wstring out = Widen(path);
  if (out.empty() || out[0] != L'/') return out;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return L"Z:" + out;
}

std::wstring SetupExe() { return WindowsPath(SETUP_EXE_PATH); }

TempDir::TempDir() {
  static int serial = 0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  for (;;) {
    path_ = std::wstring(temp) + L"guitest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    if (CreateDirectoryW(path_.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

bool TempDir::WriteFile(const std::wstring& name, const std::string& bytes) const {
  HANDLE file = CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool TempDir::CopyFrom(const std::wstring& source, const std::wstring& name) const {
  return CopyFileW(source.c_str(), File(name).c_str(), FALSE) != FALSE;
}

bool ReadFile(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.assign(size_t(GetFileSize(file, nullptr)), '\0');
  DWORD read = 0;
  const bool ok = ::ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size();
  CloseHandle(file);
  return ok;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// ---- The program

Process::Process(const std::wstring& exe, const std::wstring& directory, int showCommand, const std::wstring& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (showCommand >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(showCommand);
  }
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                      &startup, &info_)) {
    info_ = {};
    return;
  }
  WaitForInputIdle(info_.hProcess, DefaultTimeout);
}

Process::~Process() {
  if (!Started()) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, DefaultTimeout);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Process::Running() const { return Started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::vector<HWND> Process::Windows(bool visibleOnly) const {
  WindowSearch search{Id(), visibleOnly, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Process::WaitForWindow(const std::wstring& className, DWORD timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : Windows())
          if (lstrcmpiW(ClassName(window).c_str(), className.c_str()) == 0) found = window;
        return found || !Running();
      },
      timeout);
  return found;
}

HWND Process::WaitForDialog(DWORD timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : Windows())
          if (IsDialog(window)) found = window;
        return found || !Running();
      },
      timeout);
  return found;
}

bool Process::WaitForExit(DWORD* exitCode, DWORD timeout) const {
  if (!Started() || WaitForSingleObject(info_.hProcess, timeout) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  if (exitCode) *exitCode = code;
  return true;
}

// ---- Reading windows

std::wstring ClassName(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring Text(HWND window) {
  const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::wstring text(size_t(length) + 1, L'\0');
  const LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? size_t(copied) : 0);
  return text;
}

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

bool IsDialog(HWND window) {
  const std::wstring name = ClassName(window);
  return name == L"TMessageForm" || name == L"#32770";
}

RECT ScreenRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

RECT RectInParent(HWND window) {
  RECT r = ScreenRect(window);
  HWND parent = GetAncestor(window, GA_PARENT);
  if (parent && parent != GetDesktopWindow()) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

int IdOf(HWND control) { return GetDlgCtrlID(control); }

std::vector<HWND> Controls(HWND root) {
  std::vector<HWND> found;
  EnumChildWindows(root, CollectControl, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindControl(HWND root, const std::wstring& className, const std::wstring& text) {
  for (HWND control : Controls(root))
    if (lstrcmpiW(ClassName(control).c_str(), className.c_str()) == 0 && Text(control) == text) return control;
  return nullptr;
}

HWND FindControlById(HWND root, int id) {
  for (HWND control : Controls(root))
    if (GetDlgCtrlID(control) == id) return control;
  return nullptr;
}

int ComboIndex(HWND combo) { return int(Send(combo, CB_GETCURSEL, 0, 0)); }
int ComboCount(HWND combo) { return int(Send(combo, CB_GETCOUNT, 0, 0)); }

std::wstring ComboItem(HWND combo, int index) {
  const LRESULT length = Send(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length < 0) return {};
  std::wstring text(size_t(length) + 1, L'\0');
  const LRESULT copied = Send(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? size_t(copied) : 0);
  return text;
}

int ProgressPosition(HWND progressBar) { return int(Send(progressBar, PBM_GETPOS, 0, 0)); }
int ProgressMax(HWND progressBar) { return int(Send(progressBar, PBM_GETRANGE, FALSE, 0)); }

// ---- Pixels

Capture CaptureClient(HWND window) {
  Capture capture;
  const SIZE size = ClientSize(window);
  if (size.cx <= 0 || size.cy <= 0) return capture;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = size.cx;
  format.bmiHeader.biHeight = -size.cy;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
    GdiFlush();
    capture.Width = size.cx;
    capture.Height = size.cy;
    const auto* pixel = static_cast<const uint8_t*>(bits);  // blue, green, red, unused
    capture.Pixels.resize(size_t(size.cx) * size_t(size.cy));
    for (COLORREF& colour : capture.Pixels) {
      colour = RGB(pixel[2], pixel[1], pixel[0]);
      pixel += 4;
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return capture;
}

// ---- Acting as a person

bool Click(HWND button) {
  if (!button || !Visible(button) || !Enabled(button)) return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool ClickControl(HWND control) {
  if (!control || !Visible(control) || !Enabled(control)) return false;
  const SIZE size = ClientSize(control);
  const LPARAM middle = MAKELPARAM(size.cx / 2, size.cy / 2);
  return PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle) && PostMessageW(control, WM_LBUTTONUP, 0, middle);
}

bool SelectComboItem(HWND combo, int index) {
  if (!combo || !Visible(combo) || !Enabled(combo)) return false;
  if (Send(combo, CB_SETCURSEL, WPARAM(index), 0) != index) return false;
  return PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(combo)) != FALSE;
}

void PressKey(HWND window, WORD virtualKey) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus &&
      (thread.hwndFocus == window || IsChild(window, thread.hwndFocus)))
    target = thread.hwndFocus;
  const LPARAM scan = LPARAM(MapVirtualKeyW(virtualKey, 0)) << 16;  // MAPVK_VK_TO_VSC
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | scan);
  PostMessageW(target, WM_KEYUP, virtualKey, 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

void PressCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// ---- Dialog boxes

std::wstring WithoutAccessKey(const std::wstring& caption) {
  std::wstring out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

Dialog ReadDialog(HWND dialog) {
  Dialog shown;
  shown.Caption = Text(dialog);
  std::vector<HWND> buttons;
  for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    if (!IsWindowVisible(control)) continue;
    const std::wstring name = ClassName(control);
    if (lstrcmpiW(name.c_str(), L"Button") == 0) buttons.push_back(control);
    const bool icon = (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (lstrcmpiW(name.c_str(), L"Static") == 0 && !icon && shown.Text.empty()) shown.Text = Text(control);
  }
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) { return ScreenRect(a).left < ScreenRect(b).left; });
  for (HWND button : buttons) shown.Buttons.push_back(Text(button));
  return shown;
}

bool AnswerDialog(HWND dialog, const std::wstring& button) {
  for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
    if (lstrcmpiW(ClassName(control).c_str(), L"Button") == 0 && WithoutAccessKey(Text(control)) == button)
      return Click(control);
  return false;
}

}  // namespace GuiDriver
