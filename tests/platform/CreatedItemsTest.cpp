// The record of what an install created, and its removal: only what was
// made goes, folders only once empty, links never followed, and whatever
// cannot go is counted and named.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "CreatedItems.h"
#include "FolderTree.h"

namespace {

void Write(const std::string& path, const std::string& data = "x") {
  std::ofstream(path, std::ios::binary) << data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A Unix symbolic link at `link` to `target` (Windows paths), which Wine
// shows as a reparse point: the way a junction looks to the program.
bool MakeUnixLink(const std::string& target, const std::string& link) {
  using ToUnix = char*(CDECL*)(const WCHAR*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return false;
  const auto unix = [&](const std::string& path) {
    const std::wstring wide(path.begin(), path.end());
    char* name = toUnix(wide.c_str());
    std::string text = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
  };
  std::string command = "Z:\\bin\\ln -s \"" + unix(target) + "\" \"" + unix(link) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine may report a Unix program ended before it has: wait for the link.
  for (int tries = 0; tries < 500; ++tries) {
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    Sleep(10);
  }
  return false;
}

class CreatedItems : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    GetTempFileNameA(temp, "ci", 0, name);
    DeleteFileA(name);
    Dir = name;
    ASSERT_TRUE(CreateDirectoryA(Dir.c_str(), nullptr));
  }
  void TearDown() override {
    SetCurrentDirectoryA("C:\\");
    FolderTree::Remove(Dir);
  }

  // Makes the folder and records it.
  std::string MakeFolder(const std::string& relative) {
    const std::string path = Dir + "\\" + relative;
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    Created.FolderCreated(path);
    return path;
  }
  // Makes the file and records it.
  void MakeFile(const std::string& folder, const std::string& name) {
    Write(folder + "\\" + name);
    Created.FileCreated(folder, name);
  }

  TLeftItems Remove() {
    Steps.clear();
    return Created.Remove([this](size_t done, size_t total) { Steps.push_back(done * 1000 + total); });
  }

  std::string Dir;
  TCreatedItems Created;
  std::vector<size_t> Steps;
};

TEST_F(CreatedItems, RemovesWhatWasMadeAndNothingThatExisted) {
  // Before the run: the user's folder and files, an earlier install's folder.
  CreateDirectoryA((Dir + "\\old").c_str(), nullptr);
  Write(Dir + "\\mine.txt", "mine");
  Write(Dir + "\\old\\replaced.txt", "new content");

  const std::string product = MakeFolder("product");
  MakeFile(product, "a.txt");
  const std::string sub = MakeFolder("product\\sub");
  MakeFile(sub, "b.txt");
  MakeFile(product, "after-sub.txt");
  MakeFile(Dir + "\\old", "added.txt");
  MakeFile(Dir, "top.txt");
  ASSERT_FALSE(Created.Empty());
  // The process stands inside what goes: it must not keep it.
  ASSERT_TRUE(SetCurrentDirectoryA(sub.c_str()));

  const TLeftItems left = Remove();
  EXPECT_EQ(left.Count, 0u) << left.First;
  for (const char* gone : {"product", "old\\added.txt", "top.txt"}) EXPECT_FALSE(Exists(Dir + "\\" + gone)) << gone;
  for (const char* kept : {"mine.txt", "old", "old\\replaced.txt"}) EXPECT_TRUE(Exists(Dir + "\\" + kept)) << kept;
  EXPECT_TRUE(Created.Empty());
  ASSERT_FALSE(Steps.empty());
  EXPECT_EQ(Steps.back() / 1000, Steps.back() % 1000) << "the last step reports all done";
}

TEST_F(CreatedItems, NeverEntersALinkAndKeepsTheFolderThatHoldsOne) {
  CreateDirectoryA((Dir + "\\outside").c_str(), nullptr);
  Write(Dir + "\\outside\\precious.txt");
  const std::string product = MakeFolder("product");
  MakeFile(product, "a.txt");
  if (!MakeUnixLink(Dir + "\\outside", product + "\\link")) GTEST_SKIP() << "no symbolic link can be made here";
  // A folder made by the run, then replaced by a link to the user's folder.
  const std::string replaced = MakeFolder("replaced");
  ASSERT_TRUE(RemoveDirectoryA(replaced.c_str()));
  ASSERT_TRUE(MakeUnixLink(Dir + "\\outside", replaced));

  const TLeftItems left = Remove();
  EXPECT_TRUE(Exists(Dir + "\\outside\\precious.txt"));
  EXPECT_TRUE(Exists(product + "\\link"));
  EXPECT_TRUE(Exists(replaced));
  EXPECT_FALSE(Exists(product + "\\a.txt"));
  EXPECT_EQ(left.Count, 2u);
  EXPECT_EQ(left.First, replaced) << "the newest first";
}

TEST_F(CreatedItems, CountsAndNamesWhatCannotBeRemovedAndGoesOn) {
  const std::string product = MakeFolder("product");
  MakeFile(product, "a.txt");
  MakeFile(product, "held.txt");
  MakeFile(product, "z.txt");
  MakeFile(Dir, "loose.txt");
  HANDLE held = CreateFileA((product + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const TLeftItems left = Remove();
  CloseHandle(held);
  EXPECT_EQ(left.Count, 2u) << "the file and its folder";
  EXPECT_EQ(left.First, product + "\\held.txt");
  EXPECT_FALSE(Exists(product + "\\a.txt"));
  EXPECT_FALSE(Exists(product + "\\z.txt"));
  EXPECT_FALSE(Exists(Dir + "\\loose.txt"));
}

TEST_F(CreatedItems, ItemsAlreadyGoneCountAsRemoved) {
  const std::string product = MakeFolder("product");
  MakeFile(Dir, "loose.txt");
  ASSERT_TRUE(RemoveDirectoryA(product.c_str()));
  ASSERT_TRUE(DeleteFileA((Dir + "\\loose.txt").c_str()));
  EXPECT_EQ(Remove().Count, 0u);
}

// Paths longer than the 8-bit functions take, as a deep tree gives them.
TEST_F(CreatedItems, RemovesBeyondTheShortPathLimit) {
  std::string relative;
  for (int level = 0; level < 5; ++level) {
    relative += (level ? "\\" : "") + std::string(60, char('a' + level));
    const std::wstring path = L"\\\\?\\" + std::wstring(Dir.begin(), Dir.end()) + L"\\" +
                              std::wstring(relative.begin(), relative.end());
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    Created.FolderCreated(Dir + "\\" + relative);
  }
  ASSERT_GT(Dir.size() + relative.size(), size_t(MAX_PATH));
  EXPECT_EQ(Remove().Count, 0u);
  EXPECT_FALSE(Exists(Dir + "\\" + std::string(60, 'a')));
}

// Files in folders the run made add nothing to the record; files in folders
// that existed add their names only.
TEST(CreatedItemsRecord, HoldsFilesOnlyWhereTheirFolderIsNotHeld) {
  TCreatedItems created;
  const std::string base = "C:\\Program Files\\QuorvixForge";
  created.FolderCreated(base);
  created.FolderCreated(base + "\\1.0");
  const size_t foldersOnly = created.MemoryUsed();
  for (int i = 0; i < 20000; ++i) created.FileCreated(base + "\\1.0", "file" + std::to_string(i) + ".dat");
  EXPECT_EQ(created.MemoryUsed(), foldersOnly);

  TCreatedItems existing;
  for (int i = 0; i < 20000; ++i) existing.FileCreated(base + "\\1.0", "file" + std::to_string(i) + ".dat");
  // Each name with its kind and terminator, the folder once; growth may double it.
  EXPECT_LE(existing.MemoryUsed(), 2 * (20000 * (9 + 4 + 2) + base.size() + 8));
}

}  // namespace
