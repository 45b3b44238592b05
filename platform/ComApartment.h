// COM for the GUI thread, as a single-threaded apartment, from the start of
// the program to its end.
#pragma once

class TComApartment {
 public:
  TComApartment();
  // Uninitialises COM once, only if the initialisation succeeded.
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

  bool Initialized() const { return initialized_; }

 private:
  bool initialized_;
};
