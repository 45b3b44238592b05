// A small window that says how far the check of a large package has got,
// while a setup.exe that names its package by its digest reads the whole
// package before its own window can show. It appears only once the check
// has taken DelayMs, so that a small package shows nothing but the window.
#pragma once

#include <windows.h>

#include <cstdint>

class TLoadProgress {
 public:
  static constexpr DWORD DelayMs = 400;

  TLoadProgress();
  ~TLoadProgress();
  TLoadProgress(const TLoadProgress&) = delete;
  TLoadProgress& operator=(const TLoadProgress&) = delete;

  // done bytes of total checked.
  void Update(int32_t done, int32_t total);

 private:
  DWORD start_;
  HWND window_ = nullptr;
  int percent_ = -1;
};
