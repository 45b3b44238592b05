// Owners of Win32 handles: each closes its handle exactly once, on every
// way out of the scope that holds it.
#pragma once

#include <windows.h>

// Owns one handle of a kind; Kind names its type, which values hold
// nothing, and how one is closed.
template <typename Kind>
class TOwnedHandle {
 public:
  using Type = typename Kind::Type;

  TOwnedHandle() = default;
  explicit TOwnedHandle(Type handle) : handle_(handle) {}
  TOwnedHandle(TOwnedHandle&& other) noexcept : handle_(other.Release()) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  ~TOwnedHandle() { Reset(); }

  Type Get() const { return handle_; }
  bool Valid() const { return Kind::Valid(handle_); }

  // Gives up ownership without closing.
  Type Release() {
    Type handle = handle_;
    handle_ = nullptr;
    return handle;
  }

  // Closes the handle held, if any, ignoring a failure (use CloseFile in
  // FileSystem.h where a failed close must be reported), and takes another.
  void Reset(Type handle = nullptr) {
    if (Valid()) Kind::Close(handle_);
    handle_ = handle;
  }

 private:
  Type handle_ = nullptr;
};

// A kernel handle (a file, mostly).
struct TKernelHandleKind {
  using Type = HANDLE;
  // Win32 reports a failed open with either null or INVALID_HANDLE_VALUE.
  static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
using THandle = TOwnedHandle<TKernelHandleKind>;
