#include "BoxAnswerer.h"

#include <algorithm>

namespace {

BOOL CALLBACK CollectBox(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && GuiDriver::IsDialog(window))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> OpenBoxes() {
  std::vector<HWND> boxes;
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

BoxAnswerer::BoxAnswerer(std::function<void(HWND)> answer) : answer_(std::move(answer)), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() { Stop(); }

void BoxAnswerer::Stop() {
  stop_ = true;
  thread_.Join();
}

void BoxAnswerer::Run() {
  std::vector<HWND> answered;
  while (!stop_) {
    // A box that has gone may hand its handle on to a new one.
    answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND box) { return !IsWindow(box); }),
                   answered.end());
    for (HWND box : OpenBoxes()) {
      bool seen = false;
      for (HWND old : answered) seen = seen || old == box;
      if (seen) continue;
      answered.push_back(box);
      Shown.push_back(GuiDriver::ReadDialog(box));
      Places.push_back(GuiDriver::ScreenRect(box));
      answer_(box);
    }
    Sleep(10);
  }
}
