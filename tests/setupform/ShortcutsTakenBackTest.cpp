// The Start-menu folders and links an install makes are recorded, so that an
// install that does not complete takes them back; a menu folder or link that
// was there before stays. In-process, against the real shell link object.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "SetupForm.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ShortcutsTakenBack : public ::testing::Test {
 protected:
  const std::string product = "QuorvixLinksTest" + std::to_string(GetCurrentProcessId());
  TSetupForm form;

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    form.Pack = std::make_unique<TUnPack>();
    form.Pack->RootDirName = "1.0";
    form.Pack->KeyFilePath = "C:\\Apps\\" + product + "\\1.0\\QuorvixForge.exe";
    form.Pack->FolderName = product;
    ASSERT_TRUE(form.FindProgramsFolder());
  }
  void TearDown() override {
    SetCurrentDirectoryA("C:\\");
    CoUninitialize();
  }

  std::string ProductMenu() const { return form.ProgramsDir + "\\" + product; }
  std::string Menu() const { return ProductMenu() + "\\1.0"; }
};

TEST_F(ShortcutsTakenBack, NewMenuFoldersGoWithTheirLinks) {
  form.CreateShortcuts();
  ASSERT_TRUE(Exists(Menu() + "\\Web.lnk"));
  const TLeftItems left = form.Created.Remove(nullptr);
  EXPECT_EQ(left.Count, 0u) << left.First;
  EXPECT_FALSE(Exists(ProductMenu()));
  EXPECT_TRUE(Exists(form.ProgramsDir));
}

TEST_F(ShortcutsTakenBack, AMenuFolderAndALinkThatWereThereStay) {
  ASSERT_TRUE(CreateDirectoryA(ProductMenu().c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(Menu().c_str(), nullptr));
  std::ofstream(Menu() + "\\Web.lnk") << "an earlier link";
  std::ofstream(Menu() + "\\mine.txt") << "mine";

  form.CreateShortcuts();
  ASSERT_TRUE(Exists(Menu() + "\\QuorvixForge.lnk"));
  const TLeftItems left = form.Created.Remove(nullptr);
  EXPECT_EQ(left.Count, 0u) << left.First;
  EXPECT_FALSE(Exists(Menu() + "\\QuorvixForge.lnk"));
  EXPECT_FALSE(Exists(Menu() + "\\Manual.lnk"));
  std::string earlier;
  std::getline(std::ifstream(Menu() + "\\Web.lnk"), earlier);
  EXPECT_EQ(earlier, "an earlier link") << "replaced, not made: it is back as it was";
  EXPECT_TRUE(Exists(Menu() + "\\mine.txt"));
  DeleteFileA((Menu() + "\\Web.lnk").c_str());
  DeleteFileA((Menu() + "\\mine.txt").c_str());
  RemoveDirectoryA(Menu().c_str());
  RemoveDirectoryA(ProductMenu().c_str());
}

}  // namespace
