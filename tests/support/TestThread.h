// A second thread for a test, joined when it goes out of scope. (The win32
// thread model's C++ library has no std::thread.)
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class TestThread {
 public:
  explicit TestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = CreateThread(nullptr, 0, &TestThread::Start, this, 0, nullptr);
  }
  ~TestThread() { Join(); }
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;

  void Join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static DWORD WINAPI Start(void* self) {
    static_cast<TestThread*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  HANDLE handle_ = nullptr;
};
