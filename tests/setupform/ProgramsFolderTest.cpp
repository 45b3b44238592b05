// Where the Start-menu Programs folder is found: the two Explorer keys of
// the real registry, each test's values put in place and the user's own put
// back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "SetupForm.h"

namespace {

const char* const ShellFolderKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
};

struct StoredValue {
  DWORD type;
  std::string bytes;
};

std::optional<StoredValue> ReadPrograms(const char* key) {
  char buffer[2048];
  DWORD size = sizeof buffer, type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, key, "Programs", RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return StoredValue{type, std::string(buffer, size)};
}

void WritePrograms(const char* key, const std::optional<StoredValue>& value) {
  if (!value) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "Programs");
    return;
  }
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr), ERROR_SUCCESS);
  RegSetValueExA(handle, "Programs", 0, value->type, reinterpret_cast<const BYTE*>(value->bytes.data()),
                 DWORD(value->bytes.size()));
  RegCloseKey(handle);
}

std::optional<StoredValue> Text(DWORD type, const std::string& text) { return StoredValue{type, text + '\0'}; }

class ProgramsFolderTest : public ::testing::Test {
 protected:
  std::optional<StoredValue> saved[2];
  std::string savedProfile;

  void SetUp() override {
    for (int i = 0; i < 2; ++i) saved[i] = ReadPrograms(ShellFolderKeys[i]);
    char profile[MAX_PATH] = "";
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    savedProfile = profile;
  }
  void TearDown() override {
    for (int i = 0; i < 2; ++i) WritePrograms(ShellFolderKeys[i], saved[i]);
    SetEnvironmentVariableA("USERPROFILE", savedProfile.c_str());
  }
};

TEST_F(ProgramsFolderTest, ReadsTheUserKeyFirstAndExpandsOnlyALeadingUserProfile) {
  const auto none = std::nullopt;
  struct Case {
    const char* what;
    std::optional<StoredValue> user, shell;
    const char* profile;  // null: USERPROFILE unset
    bool found;
    std::string programsDir, programsName;
  };
  const Case cases[] = {
      {"user key, expanded", Text(REG_EXPAND_SZ, "%USERPROFILE%\\Start Menu\\Programs"), Text(REG_SZ, "C:\\Other"),
       "C:\\users\\ann", true, "C:\\users\\ann\\Start Menu\\Programs", "Programs"},
      {"other letter case kept", Text(REG_EXPAND_SZ, "%userprofile%\\Menu"), none, "C:\\users\\ann", true,
       "%userprofile%\\Menu", "Menu"},
      {"shorter than the reference", Text(REG_SZ, "%USERPROFILE"), none, "C:\\users\\ann", true, "%USERPROFILE",
       "%USERPROFILE"},
      {"reference alone", Text(REG_EXPAND_SZ, "%USERPROFILE%"), none, "C:\\users\\ann", true, "C:\\users\\ann", "ann"},
      {"reference not at the start", Text(REG_SZ, "C:\\%USERPROFILE%\\Menu"), none, "C:\\users\\ann", true,
       "C:\\%USERPROFILE%\\Menu", "Menu"},
      {"no other variable expanded", Text(REG_EXPAND_SZ, "%APPDATA%\\Programs"), none, "C:\\users\\ann", true,
       "%APPDATA%\\Programs", "Programs"},
      {"USERPROFILE unset", Text(REG_EXPAND_SZ, "%USERPROFILE%\\Programs"), none, nullptr, true, "\\Programs",
       "Programs"},
      {"second key when the first has none", none, Text(REG_SZ, "D:Menu"), "C:\\users\\ann", true, "D:Menu", "Menu"},
      {"second key when the first is no string", StoredValue{REG_DWORD, std::string("\1\0\0\0", 4)},
       Text(REG_SZ, "D:\\Menu\\Programs"), "C:\\users\\ann", true, "D:\\Menu\\Programs", "Programs"},
      {"an empty first value counts", Text(REG_EXPAND_SZ, ""), Text(REG_SZ, "D:\\Menu"), "C:\\users\\ann", true, "", ""},
      {"neither key", none, none, "C:\\users\\ann", false, "", ""},
  };
  for (const Case& c : cases) {
    WritePrograms(ShellFolderKeys[0], c.user);
    WritePrograms(ShellFolderKeys[1], c.shell);
    SetEnvironmentVariableA("USERPROFILE", c.profile);
    TSetupForm form;
    form.ProgramsDir = form.ProgramsName = "stale";
    EXPECT_EQ(form.FindProgramsFolder(), c.found) << c.what;
    EXPECT_EQ(form.ProgramsDir, c.programsDir) << c.what;
    EXPECT_EQ(form.ProgramsName, c.programsName) << c.what;
  }
}

}  // namespace
