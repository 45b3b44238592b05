// After start-up hardening, a DLL lying beside the program is no longer
// found by name; the system's own still are.
#include "DllSearch.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(DllSearch, ADllBesideTheProgramIsNotLoadedOnceRestricted) {
  HMODULE beside = LoadLibraryW(L"planted.dll");
  ASSERT_NE(beside, nullptr) << "the planted DLL must lie beside the test program";
  FreeLibrary(beside);

  RestrictDllSearchPath();
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(L"planted.dll"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  HMODULE system = LoadLibraryW(L"shlwapi.dll");
  EXPECT_NE(system, nullptr);
  if (system) FreeLibrary(system);
}

}  // namespace
