#include "FolderChooser.h"

#include <shlobj.h>

#include "ShellItemList.h"
#include "TaskWindows.h"

namespace {

// Keeps the system from asking about drives without a medium while the
// user browses; the previous mode comes back on every way out.
class TCriticalErrorsSuppressed {
 public:
  TCriticalErrorsSuppressed() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TCriticalErrorsSuppressed() { SetErrorMode(previous_); }
  TCriticalErrorsSuppressed(const TCriticalErrorsSuppressed&) = delete;
  TCriticalErrorsSuppressed& operator=(const TCriticalErrorsSuppressed&) = delete;

 private:
  UINT previous_;
};

// COM as a single-threaded apartment for the dialog, balanced on the way out.
class TApartment {
 public:
  TApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  TApartment(const TApartment&) = delete;
  TApartment& operator=(const TApartment&) = delete;
  bool OtherModeRunning() const { return result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

struct TComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};

struct TBrowseState {
  HWND owner;
  const std::string* directory;
};

// Once the dialog has built itself: centre it on the owner's monitor and
// select the starting folder.
void CentreOnNearestMonitor(HWND dialog, HWND owner) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  RECT bounds;
  if (!GetWindowRect(dialog, &bounds)) return;
  const RECT& area = monitor.rcMonitor;
  const int left = area.left + ((area.right - area.left) - (bounds.right - bounds.left)) / 2;
  const int top = area.top + ((area.bottom - area.top) - (bounds.bottom - bounds.top)) / 2;
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    const auto* state = reinterpret_cast<const TBrowseState*>(data);
    CentreOnNearestMonitor(dialog, state->owner);
    if (!state->directory->empty())
      SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(state->directory->c_str()));
  }
  return 0;
}

bool IsExistingDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool SelectDirectory(const std::string& instruction, std::string& directory, HWND owner) {
  if (!directory.empty() && !IsExistingDirectory(directory)) directory.clear();

  // Without the shell's allocator there is no dialog; the item list it
  // returns comes from that (the task) allocator, which TItemIdList frees.
  IMalloc* rawMalloc = nullptr;
  if (SHGetMalloc(&rawMalloc) != S_OK || !rawMalloc) return false;
  const std::unique_ptr<IMalloc, TComRelease> shellMalloc(rawMalloc);

  char displayName[MAX_PATH] = {};
  const TBrowseState state{owner, &directory};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = instruction.c_str();
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&state);

  TItemIdList chosen;
  {
    const TApartment apartment;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NONEWFOLDERBUTTON;
    if (!apartment.OtherModeRunning()) info.ulFlags |= BIF_NEWDIALOGSTYLE;
    const TTaskWindowsDisabled disabled;
    const TCriticalErrorsSuppressed quiet;
    chosen.reset(SHBrowseForFolderA(&info));
  }
  if (!chosen) return false;

  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(chosen.get(), path) || !path[0]) return false;
  directory = path;
  return true;
}
