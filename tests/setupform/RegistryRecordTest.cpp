// The installation record written by the install, read back from the real
// registry under a product name of the test's own, removed afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SetupForm.h"

namespace {

class RegistryRecordTest : public ::testing::Test {
 protected:
  const std::string product = "QuorvixSetupTest" + std::to_string(GetCurrentProcessId());
  const std::string productKey = "Software\\" + product;
  TSetupForm form;

  void SetUp() override {
    form.Pack = std::make_unique<TUnPack>();
    form.Pack->FolderName = product;
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, productKey.c_str()); }

  void Install(const std::string& version, const std::string& menuFolder, int language) {
    form.Pack->RootDirName = version;
    form.MenuFolder = menuFolder;
    form.Language = language;
    form.WriteRegistry("C:\\Apps\\" + product + "\\" + version);
  }

  // The value's type and bytes, or "missing".
  std::string Value(const std::string& key, const char* name) const {
    char buffer[1024];
    DWORD size = sizeof buffer, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, (productKey + key).c_str(), name, RRF_RT_ANY, &type, buffer, &size) != ERROR_SUCCESS)
      return "missing";
    return (type == REG_SZ ? "REG_SZ:" : "type " + std::to_string(type) + ":") + std::string(buffer, size);
  }

  bool KeyExists(const std::string& key) const {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (productKey + key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
  }
};

TEST_F(RegistryRecordTest, RecordsTheVersionItsMenuFolderAndTheLanguageLetter) {
  struct Case {
    int language;
    std::string letter;
  };
  const Case cases[] = {{0, std::string("REG_SZ:E\0", 9)}, {1, std::string("REG_SZ:R\0", 9)}, {2, "missing"}};
  for (const Case& c : cases) {
    RegDeleteTreeA(HKEY_CURRENT_USER, productKey.c_str());
    Install("1.0", "C:\\Menu\\Programs\\" + product + "\\1.0", c.language);
    const std::string where = "language " + std::to_string(c.language);
    EXPECT_EQ(Value("\\Versions\\1.0", "Destination folder"), "REG_SZ:C:\\Apps\\" + product + "\\1.0" + '\0') << where;
    EXPECT_EQ(Value("\\Versions\\1.0", "Start menu folder"), "REG_SZ:C:\\Menu\\Programs\\" + product + "\\1.0" + '\0')
        << where;
    EXPECT_TRUE(KeyExists("\\General")) << where;
    EXPECT_EQ(Value("\\General", "Language"), c.letter) << where;
  }
}

TEST_F(RegistryRecordTest, ASecondVersionIsASiblingAndTheSameVersionIsReplaced) {
  Install("1.0", "C:\\Menu\\A", 0);
  Install("2.0", "", 1);
  EXPECT_EQ(Value("\\Versions\\1.0", "Start menu folder"), std::string("REG_SZ:C:\\Menu\\A\0", 17));
  EXPECT_EQ(Value("\\Versions\\2.0", "Start menu folder"), std::string("REG_SZ:\0", 8)) << "written empty, not left out";
  EXPECT_EQ(Value("\\General", "Language"), std::string("REG_SZ:R\0", 9));

  Install("1.0", "C:\\Menu\\B", 0);
  EXPECT_EQ(Value("\\Versions\\1.0", "Start menu folder"), std::string("REG_SZ:C:\\Menu\\B\0", 17));
  EXPECT_EQ(Value("\\General", "Language"), std::string("REG_SZ:E\0", 9));
}

// A volatile product key cannot hold the lasting Versions and General keys.
TEST_F(RegistryRecordTest, KeysThatCannotBeCreatedAreSkippedWithoutAnError) {
  HKEY volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, productKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);
  EXPECT_NO_THROW(Install("1.0", "C:\\Menu", 0));
  EXPECT_FALSE(KeyExists("\\Versions"));
  EXPECT_FALSE(KeyExists("\\General"));
}

}  // namespace
