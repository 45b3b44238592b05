#include "ComApartment.h"

#include <objbase.h>

// S_FALSE (already initialised) counts too: it must be balanced as well.
TComApartment::TComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}

TComApartment::~TComApartment() {
  if (initialized_) CoUninitialize();
}
