// One setup.exe at a time for a product, on the whole machine: a named
// mutex per product, taken while this object lives. Any session's run of
// the same product (a deployment tool's as well as a person's) holds it.
#pragma once

#include <string>

#include "Handle.h"

class TProductLock {
 public:
  // productName: the product's folder name, compared in any case.
  explicit TProductLock(const std::wstring& productName);
  ~TProductLock();
  TProductLock(const TProductLock&) = delete;
  TProductLock& operator=(const TProductLock&) = delete;

  // False when another run holds it, or when the mutex of that name cannot
  // be opened (someone else's, which we may not take).
  bool Held() const { return held_; }

 private:
  THandle mutex_;
  bool held_ = false;
};

// The mutex's name for a product: the same for names that differ only in case.
std::wstring ProductLockName(const std::wstring& productName);
