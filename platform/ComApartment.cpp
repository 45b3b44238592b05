#include "ComApartment.h"

#include <objbase.h>

// S_FALSE (already initialised) counts too: it must be balanced as well.
TComApartment::TComApartment() : result_(CoInitialize(nullptr)) {}

TComApartment::~TComApartment() {
  if (Initialized()) CoUninitialize();
}
