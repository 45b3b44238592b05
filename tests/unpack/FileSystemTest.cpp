// The file services' error codes, where the loader's callers rely on them.
#include <windows.h>

#include <functional>

#include "Errors.h"
#include "FileSystem.h"
#include "TestDirectory.h"

namespace {

template <typename Operation>
int IoErrorOf(Operation operation) {
  try {
    operation();
  } catch (const EInOutError& e) {
    return e.ErrorCode;
  }
  return 0;
}

}  // namespace

class FileSystem : public TestDirectory {};

TEST_F(FileSystem, ReadingAtAnOffsetGivesWhatTheFileHoldsThere) {
  WriteBytes("five", "12345");
  THandle file = OpenFileForReading("five");
  EXPECT_EQ(FileSizeOf(file), 5);
  const struct {
    int64_t offset;
    uint32_t count;
    std::string read;
  } cases[] = {{3, 2, "45"}, {0, 3, "123"}, {2, 6, "345"}, {5, 1, ""}, {9, 1, ""}};
  for (const auto& c : cases) {
    char buffer[6] = {};
    EXPECT_EQ(std::string(buffer, ReadAt(file, c.offset, buffer, c.count)), c.read) << c.offset;
  }
}

TEST_F(FileSystem, FailuresCarryTheSystemsCode) {
  WriteBytes("file", "x");
  const struct {
    const char* what;
    std::function<void()> operation;
    int code;
  } cases[] = {
      {"open a missing file", [] { OpenFileForReading("missing"); }, ERROR_FILE_NOT_FOUND},
      {"create in a missing folder", [] { CreateFileForWriting("missing\\file"); }, ERROR_PATH_NOT_FOUND},
      {"create over a folder", [] { CreateFileForWriting("target"); }, ERROR_ACCESS_DENIED},
      {"make an existing folder", [] { CreateDir("target"); }, ERROR_ALREADY_EXISTS},
      {"make a folder in a missing one", [] { CreateDir("missing\\sub"); }, ERROR_PATH_NOT_FOUND},
      {"write to a file opened for reading",
       [] {
         THandle file = OpenFileForReading("file");
         WriteWhole(file, "y", 1);
       },
       ERROR_ACCESS_DENIED},
      {"close a handle twice",
       [] {
         THandle file = OpenFileForReading("file");
         CloseHandle(file.Get());
         CloseFile(file);
       },
       ERROR_INVALID_HANDLE},
  };
  for (const auto& c : cases) EXPECT_EQ(IoErrorOf(c.operation), c.code) << c.what;
}

TEST_F(FileSystem, CurrentDirectoryHasABackslashOnlyAtARoot) {
  EXPECT_EQ(GetCurrentDir(), Dir);
  EXPECT_TRUE(SetCurrentDir("target\\"));
  EXPECT_EQ(GetCurrentDir(), Target());
  EXPECT_FALSE(SetCurrentDir("missing"));
  EXPECT_EQ(GetCurrentDir(), Target());
  EXPECT_TRUE(SetCurrentDir("C:\\"));
  EXPECT_EQ(GetCurrentDir(), "C:\\");
}

TEST_F(FileSystem, CreatingReplacesAndWritesWhole) {
  WriteBytes("file", "longer old contents");
  THandle file = CreateFileForWriting("file");
  WriteWhole(file, "new", 3);
  CloseFile(file);
  EXPECT_FALSE(file.Valid());
  EXPECT_EQ(ReadBytes("file"), "new");
}
