#include "ProductLock.h"

#include <windows.h>

#include <cstdint>

#include "HexText.h"


std::wstring ProductLockName(const std::wstring& productName) {
  // Folder names are compared in any case. A hash of the name keeps the
  // mutex's name short and free of backslashes whatever the product is
  // called; two products that share one only wait for each other.
  std::wstring upper = productName;
  if (!upper.empty()) CharUpperBuffW(&upper[0], DWORD(upper.size()));
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (wchar_t c : upper) {
    hash = (hash ^ (uint16_t(c) & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (uint16_t(c) >> 8)) * 1099511628211ull;
  }
  std::string digits;
  AppendHex(digits, uint32_t(hash >> 32), 8, HexCase::Lower);
  AppendHex(digits, uint32_t(hash), 8, HexCase::Lower);
  return L"Global\\QuorvixSetup.Product." + std::wstring(digits.begin(), digits.end());
}

TProductLock::TProductLock(const std::wstring& productName)
    : mutex_(CreateMutexW(nullptr, FALSE, ProductLockName(productName).c_str())) {
  if (!mutex_.Valid()) return;
  // Abandoned: the run that held it ended without letting go; it is ours now.
  const DWORD waited = WaitForSingleObject(mutex_.Get(), 0);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

TProductLock::~TProductLock() {
  if (held_) ReleaseMutex(mutex_.Get());
}
