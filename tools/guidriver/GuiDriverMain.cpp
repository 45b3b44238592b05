// guidriver.exe: the GUI driver for scripts. Runs its steps in order and
// prints what it sees; exit status 0 when every step succeeded, 1 when one
// failed (it says why on stderr), 2 for a wrong command line.
//
//   guidriver [--timeout SECONDS] STEP...
//     start EXE DIR [SHOW]  start EXE with DIR as its current directory
//                           (SHOW: a show command number, e.g. 7)
//     click TEXT            press the button captioned TEXT ('&' ignored) in
//                           the program's window, once it is there and enabled
//     select ITEM           choose ITEM in the window's drop-down list that has it
//     answer BUTTON         wait for a dialog box, print it, press its BUTTON
//     close                 press the close box of the program's window
//     wait                  wait for the program to end, print its exit code
//     await FILE            print "awaiting FILE", then wait until FILE exists:
//                           a script acts on the program meanwhile
//     transient TEXT        wait for a window of the program whose title
//                           begins with TEXT, print "window: " and its title,
//                           then wait until no such window is left and print
//                           "gone: TEXT"
//
//   guidriver start 'Z:\dist\setup.exe' 'Z:\dist' click Start answer OK wait
//   prints   dialog: Information: The installation of ...
//            exit code: 0
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "GuiDriver.h"

using namespace GuiDriver;

namespace {

void Write(DWORD stream, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

// One line, with the line breaks of a message shown as "\n".
std::wstring OneLine(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    out += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
  }
  return out;
}

class Runner {
 public:
  explicit Runner(DWORD timeout) : timeout_(timeout) {}

  // False (after saying why) when the step failed.
  bool Step(const std::wstring& name, const std::vector<std::wstring>& args, size_t& next) {
    auto arg = [&](bool optional = false) -> std::wstring {
      if (next < args.size()) return args[next++];
      if (!optional) throw std::wstring(L"step '" + name + L"' needs more arguments");
      return {};
    };
    if (name == L"start") {
      const std::wstring exe = arg(), dir = arg();
      int show = -1;
      if (next < args.size() && !args[next].empty() && iswdigit(args[next][0])) show = _wtoi(arg().c_str());
      process_ = std::make_unique<Process>(exe, dir, show);
      return process_->Started() || Fail(L"cannot start " + exe);
    }
    if (!process_) return Fail(L"no program started");
    if (name == L"click") {
      const std::wstring text = arg();
      HWND button = nullptr;
      WaitUntil(
          [&] {
            button = FindButton(text);
            return (button && Visible(button) && Enabled(button)) || !process_->Running();
          },
          timeout_);
      if (!button) return Fail(L"no button '" + text + L"'");
      return Click(button) || Fail(L"button '" + text + L"' is hidden or disabled");
    }
    if (name == L"select") {
      const std::wstring item = arg();
      HWND combo = nullptr;
      int index = -1;
      WaitUntil(
          [&] {
            combo = FindListWith(item, index);
            return combo || !process_->Running();
          },
          timeout_);
      if (!combo) return Fail(L"no list holds '" + item + L"'");
      return SelectComboItem(combo, index) || Fail(L"the list with '" + item + L"' is hidden or disabled");
    }
    if (name == L"answer") {
      const std::wstring button = arg();
      HWND box = process_->WaitForDialog(timeout_);
      if (!box) return Fail(L"no dialog box came");
      const Dialog shown = ReadDialog(box);
      Write(STD_OUTPUT_HANDLE, L"dialog: " + shown.Caption + L": " + OneLine(shown.Text) + L"\n");
      if (!AnswerDialog(box, button)) return Fail(L"the box has no button '" + button + L"'");
      // Wait until this box has gone, so that a next step sees the next box.
      WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, timeout_);
      return true;
    }
    if (name == L"close") {
      HWND window = MainWindow();
      if (!window) return Fail(L"the program shows no window");
      PressCloseBox(window);
      return true;
    }
    if (name == L"await") {
      const std::wstring file = arg();
      Write(STD_OUTPUT_HANDLE, L"awaiting " + file + L"\n");
      return WaitUntil([&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeout_) ||
             Fail(L"no file " + file + L" came");
    }
    if (name == L"transient") {
      const std::wstring text = arg();
      std::wstring title;
      const auto titled = [&] {
        for (HWND window : process_->Windows())
          if (Text(window).compare(0, text.size(), text) == 0) {
            title = Text(window);
            return true;
          }
        return false;
      };
      if (!WaitUntil([&] { return titled() || !process_->Running(); }, timeout_) || title.empty())
        return Fail(L"no window '" + text + L"' came");
      Write(STD_OUTPUT_HANDLE, L"window: " + title + L"\n");
      if (!WaitUntil([&] { return !titled(); }, timeout_)) return Fail(L"the window '" + text + L"' stayed");
      Write(STD_OUTPUT_HANDLE, L"gone: " + text + L"\n");
      return true;
    }
    if (name == L"wait") {
      DWORD code = 0;
      if (!process_->WaitForExit(&code, timeout_)) return Fail(L"the program did not end");
      Write(STD_OUTPUT_HANDLE, L"exit code: " + std::to_wstring(code) + L"\n");
      return true;
    }
    return Fail(L"unknown step '" + name + L"'");
  }

  // Leaves the program running when the script ends on purpose.
  void Release() { process_.release(); }

 private:
  bool Fail(const std::wstring& why) {
    Write(STD_ERROR_HANDLE, L"guidriver: " + why + L"\n");
    return false;
  }

  HWND MainWindow() const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          for (HWND window : process_->Windows())
            if (!IsDialog(window)) found = window;
          return found || !process_->Running();
        },
        timeout_);
    return found;
  }

  HWND FindButton(const std::wstring& text) const {
    for (HWND window : process_->Windows())
      for (HWND control : Controls(window))
        if (ClassName(control) == L"Button" && WithoutAccessKey(Text(control)) == text) return control;
    return nullptr;
  }

  HWND FindListWith(const std::wstring& item, int& index) const {
    for (HWND window : process_->Windows())
      for (HWND control : Controls(window)) {
        if (ClassName(control) != L"ComboBox") continue;
        for (int i = 0, n = ComboCount(control); i < n; ++i)
          if (ComboItem(control, i) == item) {
            index = i;
            return control;
          }
      }
    return nullptr;
  }

  DWORD timeout_;
  std::unique_ptr<Process> process_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  DWORD timeout = DefaultTimeout;
  size_t next = 0;
  if (next + 1 < args.size() && args[next] == L"--timeout") {
    timeout = DWORD(_wtoi(args[next + 1].c_str())) * 1000;
    next += 2;
  }
  if (next >= args.size()) {
    Write(STD_ERROR_HANDLE, L"usage: guidriver [--timeout SECONDS] start EXE DIR [SHOW] | click TEXT | "
                            L"select ITEM | answer BUTTON | close | wait | await FILE | transient TEXT ...\n");
    return 2;
  }
  Runner runner(timeout);
  try {
    while (next < args.size()) {
      const std::wstring step = args[next++];
      if (!runner.Step(step, args, next)) return 1;
    }
  } catch (const std::wstring& why) {
    Write(STD_ERROR_HANDLE, L"guidriver: " + why + L"\n");
    return 2;
  }
  runner.Release();
  return 0;
}
