// The owned key and the registry access object against the real registry, under a scratch key
// of HKEY_CURRENT_USER that each test removes again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Errors.h"
#include "Registry.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  const std::string scratch = "Software\\QuorvixSetupTests\\Registry" + std::to_string(GetCurrentProcessId());

  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuorvixSetupTests");  // once no other run uses it
  }

  static bool KeyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  struct RawValue {
    LONG result = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string data;  // every stored byte, terminator included
  };
  static RawValue ReadRaw(const std::string& path, const std::string& name) {
    RawValue v;
    char buffer[4096];
    DWORD size = sizeof buffer;
    v.result = RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &v.type, buffer, &size);
    if (v.result == ERROR_SUCCESS) v.data.assign(buffer, size);
    return v;
  }

  void SetRaw(const std::string& name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, scratch.c_str(), name.c_str(), type, bytes.data(), DWORD(bytes.size())),
              ERROR_SUCCESS);
  }
};

TEST_F(RegistryTest, CreatesEveryKeyAlongThePathAndATrailingBackslashNamesTheSameKey) {
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch + "\\Product\\General\\", true));
    registry.WriteString("Language", "E");
  }
  EXPECT_TRUE(KeyExists(scratch + "\\Product"));
  EXPECT_EQ(ReadRaw(scratch + "\\Product\\General", "Language").data, std::string("E\0", 2));

  // Opened again with and without the backslash: one key, its value replaced.
  for (const char* path : {"\\Product\\General", "\\Product\\General\\"}) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch + path, true)) << path;
    EXPECT_EQ(registry.ReadString("Language"), "E") << path;
  }
  HKEY general;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (scratch + "\\Product").c_str(), 0, KEY_READ, &general), ERROR_SUCCESS);
  DWORD subkeys = 0;
  RegQueryInfoKeyA(general, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(general);
  EXPECT_EQ(subkeys, 1u);
}

TEST_F(RegistryTest, OpeningAMissingKeyWithoutCreateFailsAndKeepsTheOpenKey) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch, true));
  const HKEY before = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenKey("\\" + scratch + "\\Missing", false));
  EXPECT_FALSE(KeyExists(scratch + "\\Missing"));
  EXPECT_EQ(registry.CurrentKey(), before);
  registry.WriteString("Still", "open");
  EXPECT_EQ(ReadRaw(scratch, "Still").result, ERROR_SUCCESS);
}

TEST_F(RegistryTest, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch, true));
  ASSERT_TRUE(registry.OpenKey("Child", true));
  registry.WriteString("Where", "child");
  ASSERT_TRUE(registry.OpenKey("\\" + scratch + "\\Sibling", true));
  registry.WriteString("Where", "sibling");
  registry.CloseKey();
  ASSERT_TRUE(registry.OpenKey(scratch + "\\Other", true));  // no key open: from the root
  registry.WriteString("Where", "other");

  EXPECT_EQ(ReadRaw(scratch + "\\Child", "Where").data, std::string("child\0", 6));
  EXPECT_EQ(ReadRaw(scratch + "\\Sibling", "Where").data, std::string("sibling\0", 8));
  EXPECT_EQ(ReadRaw(scratch + "\\Other", "Where").data, std::string("other\0", 6));
}

TEST_F(RegistryTest, WritesRegSzWithItsTerminatingZeroAndReplacesAnOldValue) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"Empty", ""},
      {"Path", "C:\\Program Files\\QuorvixForge\\1.0"},
      {"Upper half", "\xC0\xE1\xE2 \xFF"},  // passed on as the code page's bytes
  };
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch, true));
  for (const Case& c : cases) {
    SetRaw(c.name, REG_DWORD, std::string("\1\0\0\0", 4));
    registry.WriteString(c.name, c.text);
    const RawValue v = ReadRaw(scratch, c.name);
    EXPECT_EQ(v.type, DWORD(REG_SZ)) << c.name;
    EXPECT_EQ(v.data, c.text + '\0') << c.name;
  }
}

TEST_F(RegistryTest, AFailedWriteRaisesWithTheValueName) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch + "\\Gone", true));
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, (scratch + "\\Gone").c_str()), ERROR_SUCCESS);
  try {
    registry.WriteString("Destination folder", "C:\\x");
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Failed to set data for 'Destination folder'");
  }

  TRegistry closed;
  EXPECT_THROW(closed.WriteString("Language", "E"), ERegistryException);
}

TEST_F(RegistryTest, ReadsStringsUnexpandedAndRefusesOtherTypes) {
  SetRaw("Expand", REG_EXPAND_SZ, std::string("%USERPROFILE%\\Menu\0", 19));
  SetRaw("Unterminated", REG_SZ, "abc");
  SetRaw("Number", REG_DWORD, std::string("\1\0\0\0", 4));
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch, false));

  EXPECT_EQ(registry.ReadString("Expand"), "%USERPROFILE%\\Menu");
  EXPECT_EQ(registry.ReadString("Unterminated"), "abc");
  EXPECT_THROW(registry.ReadString("Number"), ERegistryException);
  EXPECT_THROW(registry.ReadString("Missing"), ERegistryException);
  EXPECT_TRUE(registry.ValueExists("Number"));
  EXPECT_FALSE(registry.ValueExists("Missing"));
}

// A handle already closed cannot be closed a second time.
bool StillOpen(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }

TEST_F(RegistryTest, ClosesItsKeyWhenAnotherIsOpenedAndWhenItGoesAway) {
  HKEY first, second;
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(scratch + "\\A", true));
    first = registry.CurrentKey();
    registry.SetRootKey(HKEY_CURRENT_USER);  // the same root: nothing changes
    EXPECT_EQ(registry.CurrentKey(), first);
    ASSERT_TRUE(registry.OpenKey("\\" + scratch + "\\B", true));
    second = registry.CurrentKey();
    EXPECT_FALSE(StillOpen(first));
  }
  EXPECT_FALSE(StillOpen(second));

  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(scratch, false));
  const HKEY third = registry.CurrentKey();
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_FALSE(StillOpen(third));
}

TEST_F(RegistryTest, AnOwnedKeyIsClosedOnceWhereverItsOwnershipEnds) {
  ASSERT_TRUE(TRegistry().OpenKey(scratch, true));
  const std::wstring path(scratch.begin(), scratch.end());

  HKEY leftScope;
  {
    TRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, path, KEY_READ), ERROR_SUCCESS);
    leftScope = key.Get();
  }
  EXPECT_FALSE(StillOpen(leftScope));

  TRegKey first;
  ASSERT_EQ(first.Open(HKEY_CURRENT_USER, path, KEY_READ), ERROR_SUCCESS);
  const HKEY moved = first.Get();
  TRegKey second(std::move(first));
  EXPECT_FALSE(first.Valid());
  EXPECT_EQ(second.Get(), moved);
  // Opening again closes the key held; a failed open leaves none.
  EXPECT_EQ(second.Open(HKEY_CURRENT_USER, path + L"\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(second.Valid());
  EXPECT_FALSE(StillOpen(moved));

  TRegKey released;
  ASSERT_EQ(released.Open(HKEY_CURRENT_USER, path, KEY_READ), ERROR_SUCCESS);
  const HKEY own = released.Release();
  EXPECT_FALSE(released.Valid());
  EXPECT_TRUE(StillOpen(own));  // let go of unclosed: now closed here
}

}  // namespace
