// Tests of what only a 32-bit process has (its address space, the bounds
// of 32-bit sizes). In the 64-bit twin, which runs the Windows tests where
// no 32-bit program can start, they are reported as skipped with the
// reason, never as passed.
#pragma once

#include <gtest/gtest.h>

#define SKIP_UNLESS_32_BIT(reason)                                     \
  if (sizeof(void*) != 4)                                              \
  GTEST_SKIP() << "Skipped in the 64-bit twin: means something only in a 32-bit process: " << reason

