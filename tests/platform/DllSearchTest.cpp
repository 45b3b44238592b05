// After start-up hardening, a DLL lying beside the program is no longer
// found by name from Windows 7 on; the system's own still are. On Vista only
// the current directory leaves the search.
#include "DllSearch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "GuiDriver.h"

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

// A file in the folder of this test program.
std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// The probe (DllSearchProbe.cpp) under a name of its own, with Wine set to
// report a Windows version for that name only; planted DLLs beside it and
// in its current directory. On Vista the search must still reach the
// program's own folder: the shell's link object needs what it finds there
// once SetDefaultDllDirectories has run. (Windows also drops the current
// directory there, as SetDllDirectory("") asks; Wine 8 takes the empty
// string for no setting and keeps it, so that is not looked at here.)
struct VersionCase {
  const wchar_t* version;  // Wine's name for it
  bool besideLoads;
  bool currentLooked;  // whether the current directory's DLL is looked at
};

TEST(DllSearch, SystemDirectoryOnlyFromWindows7OnTheProgramsFolderStillOnVista) {
  const VersionCase cases[] = {{L"win7", false, true}, {L"win10", false, true}, {L"vista", true, false}};
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version);
    GuiDriver::TempDir beside, current;
    const std::wstring exe = std::wstring(L"dllsearch-probe-") + c.version + L".exe";
    ASSERT_TRUE(beside.CopyFrom(BesideThisProgram(L"dllsearch_probe.exe"), exe));
    ASSERT_TRUE(beside.CopyFrom(BesideThisProgram(L"planted.dll"), L"planted.dll"));
    ASSERT_TRUE(current.CopyFrom(BesideThisProgram(L"planted.dll"), L"planted-in-current.dll"));
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + exe;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Version", REG_SZ, c.version,
                              DWORD((wcslen(c.version) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    GuiDriver::Process probe(beside.File(exe), current.Path());
    DWORD loaded = 99;
    EXPECT_TRUE(probe.WaitForExit(&loaded));
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_EQ((loaded & 1) != 0, c.besideLoads);
    if (c.currentLooked) {
      EXPECT_EQ(loaded & 2, 0u);
    }
  }
}

}  // namespace
