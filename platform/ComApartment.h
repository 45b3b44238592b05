// COM for the calling thread as a single-threaded apartment, for the life of
// the object: the whole program in Setup, one dialog in the folder chooser.
#pragma once

#include <windows.h>

class TComApartment {
 public:
  TComApartment();
  // Uninitialises COM once, only if the initialisation succeeded.
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

  bool Initialized() const { return SUCCEEDED(result_); }
  // The thread already runs COM in another mode (multithreaded).
  bool OtherModeRunning() const { return result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};
