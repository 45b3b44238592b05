// Answers the modal boxes this process opens, from a second thread, the way
// the GUI driver answers another program's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "TestThread.h"

class BoxAnswerer {
 public:
  // `answer` is called with each box that shows, after it has been read.
  explicit BoxAnswerer(std::function<void(HWND box)> answer);
  // Waits for the thread: call it (or let the destructor) once the modal
  // call has returned.
  ~BoxAnswerer();
  void Stop();

  // What the boxes showed, and where, in the order they came.
  std::vector<GuiDriver::Dialog> Shown;
  std::vector<RECT> Places;

 private:
  void Run();
  std::function<void(HWND)> answer_;
  volatile bool stop_ = false;
  TestThread thread_;
};

// The visible dialog boxes of this process.
std::vector<HWND> OpenBoxes();
