// GoogleTest's thread start-up signal, on a Win32 event.
//
// The Windows programs are built with MinGW's win32 thread model: its C++
// library has no std::mutex, and GoogleTest's own Notification is built on
// one. This one is put in its place (GTEST_HAS_NOTIFICATION_) before
// GoogleTest's headers are read.
#pragma once

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
