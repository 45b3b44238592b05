// The record of the exceptions a thread is handling, which the C++ runtime
// asks for on every throw and catch. The runtime keeps one per thread in
// emulated thread-local storage (about 1.5 KB of setup.exe, with the lock
// code it needs); setup throws and catches on its one GUI thread only, so
// one record serves.
#include "TargetGuard.h"

namespace __cxxabiv1 {

struct __cxa_exception;

struct __cxa_eh_globals {
  __cxa_exception* caughtExceptions;
  unsigned int uncaughtExceptions;
};

namespace {
__cxa_eh_globals g_globals;
}

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept { return &g_globals; }
extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return &g_globals; }

}  // namespace __cxxabiv1
