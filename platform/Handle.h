// Owns a Win32 kernel handle (a file, mostly) and closes it exactly once,
// on every way out of the scope that holds it.
#pragma once

#include <windows.h>

class THandle {
 public:
  THandle() = default;
  explicit THandle(HANDLE handle) : handle_(handle) {}
  THandle(THandle&& other) noexcept : handle_(other.Release()) {}
  THandle& operator=(THandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  // Win32 reports a failed open with either null or INVALID_HANDLE_VALUE.
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  // Gives up ownership without closing.
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

  // Closes the handle held, if any, ignoring a failure (use CloseFile in
  // FileSystem.h where a failed close must be reported), and takes another.
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};
