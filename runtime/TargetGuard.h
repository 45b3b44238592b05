// What every stand-in here assumes of the compiler's runtime, checked where
// it is compiled: they mirror internals of MinGW-w64's 32-bit x86 runtime
// with DWARF-2 unwinding (its records, its symbol names, its start-up
// registration of the unwind table). Anything else must fail the build, not
// link a program that misbehaves on its first exception.
#pragma once

#if !defined(__MINGW32__) || !defined(__i386__)
#error "runtime/ is written for MinGW-w64 targeting 32-bit x86: build without it (LEAN_RUNTIME=OFF)"
#endif
#if defined(__USING_SJLJ_EXCEPTIONS__) || defined(__SEH__)
#error "runtime/ expects DWARF-2 unwinding, not SJLJ or SEH: build without it (LEAN_RUNTIME=OFF)"
#endif
static_assert(sizeof(void*) == 4 && sizeof(long) == 4, "runtime/ is written for a 32-bit target");
