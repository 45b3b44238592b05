// What every stand-in here assumes of the compiler's runtime, checked where
// it is compiled: they mirror internals of MinGW-w64's C++ runtime (its
// symbol names, its record of the exceptions in flight). Anything else must
// fail the build, not link a program that misbehaves on its first
// exception. FrameLookup.cpp assumes more and checks it itself.
#pragma once

#if !defined(__MINGW32__) || !defined(__GNUC__) || defined(__clang__)
#error "runtime/ is written for MinGW-w64 GCC: build without it (LEAN_RUNTIME=OFF)"
#endif
#if defined(__USING_SJLJ_EXCEPTIONS__)
#error "runtime/ expects DWARF-2 or SEH unwinding, not SJLJ: build without it (LEAN_RUNTIME=OFF)"
#endif
