// firstwindow RUNS WORKDIR PROGRAM [ARGS...]
// Starts PROGRAM in WORKDIR RUNS times and measures, each time, how long it
// takes from CreateProcess until the program shows a painted window: a
// visible top-level window of that process which, like each of its visible
// child windows, has no paint pending (a shown window starts with all of it
// to paint). Polls every millisecond. Prints one line per run ("ms class
// title") and ends the process; the same method serves every program compared.
// With FIRSTWINDOW_CLASS or FIRSTWINDOW_TITLE set, only a window of that
// class, or whose title starts so, counts: a program's main window, after
// any progress window it shows first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "ChildProcess.h"

namespace {

struct Search {
  DWORD ProcessId;
  HWND Found;
  const wchar_t* ClassName;    // any when null
  const wchar_t* TitleStart;   // any when null
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT rect{};
  if (owner != search->ProcessId || !IsWindowVisible(window) || !GetWindowRect(window, &rect) ||
      rect.right <= rect.left || rect.bottom <= rect.top)
    return TRUE;
  wchar_t className[128] = L"", title[128] = L"";
  if (search->ClassName && (!GetClassNameW(window, className, 128) || wcscmp(className, search->ClassName) != 0))
    return TRUE;
  if (search->TitleStart && (!GetWindowTextW(window, title, 128) ||
                             wcsncmp(title, search->TitleStart, wcslen(search->TitleStart)) != 0))
    return TRUE;
  search->Found = window;
  return FALSE;
}

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM parameter) {
  if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(parameter) = true;
  return FALSE;
}

bool IsPainted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  bool pending = false;
  EnumChildWindows(window, FindUnpaintedChild, reinterpret_cast<LPARAM>(&pending));
  return !pending;
}

std::string Narrow(const wchar_t* text) {
  char buffer[256];
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return length > 0 ? std::string(buffer) : std::string();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: firstwindow RUNS WORKDIR PROGRAM [ARGS...]\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  const std::wstring commandLine = Probe::JoinArguments(argc, argv, 3);
  const wchar_t* wantedClass = _wgetenv(L"FIRSTWINDOW_CLASS");
  const wchar_t* wantedTitle = _wgetenv(L"FIRSTWINDOW_TITLE");
  try {
    for (int run = 0; run < runs; ++run) {
      const double start = Probe::NowMs();
      Probe::Child child(commandLine, argv[2]);
      const double deadline = start + 60000;
      HWND window = nullptr;
      while (Probe::NowMs() < deadline) {
        Search search{child.Id(), nullptr, wantedClass, wantedTitle};
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.Found && IsPainted(search.Found)) {
          window = search.Found;
          break;
        }
        if (WaitForSingleObject(child.Process(), 1) == WAIT_OBJECT_0) break;
      }
      const double elapsed = Probe::NowMs() - start;
      wchar_t className[128] = L"", title[128] = L"";
      if (window) {
        GetClassNameW(window, className, 128);
        GetWindowTextW(window, title, 128);
      }
      TerminateProcess(child.Process(), 0);
      child.Wait();
      if (!window) {
        std::fprintf(stderr, "firstwindow: no window appeared\n");
        return 1;
      }
      std::printf("%.1f %s %s\n", elapsed, Narrow(className).c_str(), Narrow(title).c_str());
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "firstwindow: %s\n", e.what());
    return 1;
  }
  return 0;
}
