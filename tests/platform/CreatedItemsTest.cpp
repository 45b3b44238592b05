// The record of what an install created, and its removal: only what was
// made goes, folders only once empty, links never followed, and whatever
// cannot go is counted and named.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "CreatedItems.h"
#include "FileIdentity.h"
#include "FolderTree.h"
#include "UnixSide.h"

namespace {

void Write(const std::string& path, const std::string& data = "x") {
  std::ofstream(path, std::ios::binary) << data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TFileIdentity IdentityOf(const std::string& path) {
  const THandle item = OpenItem(std::wstring(path.begin(), path.end()));
  EXPECT_TRUE(item.Valid()) << path;
  return item.Valid() ? InfoOf(item).Identity : TFileIdentity();
}

// A Unix symbolic link at `link` to `target` (Windows paths), which Wine
// shows as a reparse point: the way a junction looks to the program.
bool MakeUnixLink(const std::string& target, const std::string& link) {
  if (!UnixSide::MakeUnixLink(target, link)) return false;
  const DWORD attributes = GetFileAttributesA(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
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
    Created.FolderCreated(path, IdentityOf(path));
    Made.push_back(path);
    return path;
  }
  // Makes the file and records it as an install does: by name only in a
  // folder the run did not make (the extraction decides that; its test,
  // FilesInAFolderItMadeAddNothingToTheRecord, shows it).
  void MakeFile(const std::string& folder, const std::string& name) {
    Write(folder + "\\" + name);
    if (std::find(Made.begin(), Made.end(), folder) == Made.end())
      Created.FileCreated(folder, IdentityOf(folder), name, IdentityOf(folder + "\\" + name));
  }
  // Moves what has the name aside as a backup, records it, and writes the new file.
  void ReplaceFile(const std::string& folder, const std::string& name, const std::string& data) {
    const std::string backup = name + ".bak";
    const TFileIdentity old = IdentityOf(folder + "\\" + name);
    ASSERT_TRUE(MoveFileA((folder + "\\" + name).c_str(), (folder + "\\" + backup).c_str()));
    Created.Replaced(folder, IdentityOf(folder), name, backup, old);
    Write(folder + "\\" + name, data);
    Created.FileCreated(folder, IdentityOf(folder), name, IdentityOf(folder + "\\" + name));
  }

  TLeftItems Remove() {
    Steps.clear();
    return Created.Remove([this](size_t done, size_t total) { Steps.push_back(done * 1000 + total); });
  }

  std::string Dir;
  TCreatedItems Created;
  std::vector<std::string> Made;
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

// A folder made by the run, renamed while an error box is on screen and a
// link to another folder of the same shape put in its place: nothing in
// that other folder goes, and the folder is named as left.
TEST_F(CreatedItems, ALinkPutAboveARecordedFolderLeadsNoRemovalElsewhere) {
  CreateDirectoryA((Dir + "\\outside").c_str(), nullptr);
  CreateDirectoryA((Dir + "\\outside\\sub").c_str(), nullptr);
  Write(Dir + "\\outside\\sub\\precious.txt");
  Write(Dir + "\\outside\\loose.txt");
  const std::string product = MakeFolder("product");
  MakeFolder("product\\sub");
  MakeFile(product, "loose.txt");
  ASSERT_TRUE(MoveFileA(product.c_str(), (Dir + "\\moved").c_str()));
  if (!MakeUnixLink(Dir + "\\outside", product)) GTEST_SKIP() << "no symbolic link can be made here";

  const TLeftItems left = Remove();
  EXPECT_TRUE(Exists(Dir + "\\outside\\sub\\precious.txt"));
  EXPECT_TRUE(Exists(Dir + "\\outside\\loose.txt"));
  EXPECT_EQ(left.Count, 2u) << "the folder inside, the folder";
  EXPECT_EQ(left.First, product + "\\sub") << "the newest first";
}

// A file recorded as made that is another file by now (the user's) stays.
TEST_F(CreatedItems, LeavesAFileThatIsNoLongerTheOneMade) {
  MakeFile(Dir, "a.txt");
  // Moved, not deleted: a new file could get the number of a deleted one.
  ASSERT_TRUE(MoveFileA((Dir + "\\a.txt").c_str(), (Dir + "\\made.txt").c_str()));
  Write(Dir + "\\a.txt", "the user's");
  const TLeftItems left = Remove();
  EXPECT_EQ(Read(Dir + "\\a.txt"), "the user's");
  EXPECT_EQ(left.Count, 1u);
  EXPECT_EQ(left.First, Dir + "\\a.txt");
}

// A file the run replaced comes back when the run is taken back; once the
// run completes, only the new one stays.
TEST_F(CreatedItems, AReplacedFileComesBackOnTakeBackAndItsBackupGoesOnCompletion) {
  Write(Dir + "\\app.exe", "old");
  ReplaceFile(Dir, "app.exe", "new");
  const TLeftItems left = Remove();
  EXPECT_EQ(left.Count, 0u) << left.First;
  EXPECT_EQ(Read(Dir + "\\app.exe"), "old");
  EXPECT_FALSE(Exists(Dir + "\\app.exe.bak"));

  ReplaceFile(Dir, "app.exe", "new");
  EXPECT_EQ(Created.Commit().Count, 0u);
  EXPECT_EQ(Read(Dir + "\\app.exe"), "new");
  EXPECT_FALSE(Exists(Dir + "\\app.exe.bak"));
  EXPECT_TRUE(Created.Empty());
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
    const THandle folder = OpenItem(path);
    ASSERT_TRUE(folder.Valid());
    Created.FolderCreated(Dir + "\\" + relative, InfoOf(folder).Identity);
  }
  ASSERT_GT(Dir.size() + relative.size(), size_t(MAX_PATH));
  EXPECT_EQ(Remove().Count, 0u);
  EXPECT_FALSE(Exists(Dir + "\\" + std::string(60, 'a')));
}

// Files in folders that existed add their names and identities only, the
// folder once.
TEST(CreatedItemsRecord, HoldsEachFileByItsNameOnly) {
  const std::string base = "C:\\Program Files\\QuorvixForge";
  TCreatedItems existing;
  for (int i = 0; i < 20000; ++i)
    existing.FileCreated(base + "\\1.0", TFileIdentity{1, 2}, "file" + std::to_string(i) + ".dat", TFileIdentity{1, 3});
  // Each name with its kind, identity and terminator, the folder once; growth may double it.
  EXPECT_LE(existing.MemoryUsed(), 2 * (20000 * (9 + 4 + 2 + 24) + base.size() + 8 + 24));
}

}  // namespace
