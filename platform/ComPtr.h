// Owner of one reference to a COM interface: released on every way out.
#pragma once

#include <unknwn.h>

#include <utility>

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* owned) : ptr(owned) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      ptr = std::exchange(other.ptr, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const { return ptr; }
  T* operator->() const { return ptr; }
  explicit operator bool() const { return ptr != nullptr; }

  void Reset() {
    if (ptr) std::exchange(ptr, nullptr)->Release();
  }

  // For calls that hand back a new reference through a T** argument.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &ptr;
  }

  // Another interface of the same object, or an empty pointer.
  template <class U>
  ComPtr<U> Query(REFIID iid) const {
    void* raw = nullptr;
    if (ptr && SUCCEEDED(ptr->QueryInterface(iid, &raw)) && raw) return ComPtr<U>(static_cast<U*>(raw));
    return {};
  }

 private:
  T* ptr = nullptr;
};
