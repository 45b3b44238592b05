// The package held from load to the end of extraction: others may read it
// but not change it, and a package that changes or fails to read anyway
// (through the test seam: a held file cannot be changed here) ends the
// extraction with the load's message or the system's error, never with
// anything written outside the target.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "Errors.h"
#include "FileSystem.h"
#include "TestDirectory.h"
#include "UnPack.h"

namespace {

using Strings = std::vector<std::string>;

// The error of each attempt to use the package at path, 0 when it
// succeeded; a successful change is undone, but for the delete.
std::map<std::string, DWORD> UsesOfThePackage(const std::string& path) {
  const std::string moved = path + ".old";
  const auto opened = [&](DWORD access, DWORD sharing) -> DWORD {
    THandle file(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.Valid() ? 0 : GetLastError();
  };
  std::map<std::string, DWORD> errors;
  errors["read"] = opened(GENERIC_READ, FILE_SHARE_READ);
  errors["write"] = opened(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  errors["rename"] = MoveFileA(path.c_str(), moved.c_str()) ? 0 : GetLastError();
  if (!errors["rename"]) MoveFileA(moved.c_str(), path.c_str());
  errors["delete"] = DeleteFileA(path.c_str()) ? 0 : GetLastError();
  return errors;
}

const Strings workedTree = WorkedExampleTree();

const DWORD refused = ERROR_SHARING_VIOLATION;
const std::map<std::string, DWORD> held = {{"delete", refused}, {"read", 0}, {"rename", refused}, {"write", refused}};

}  // namespace

class HeldPackage : public TestDirectory {
 protected:
  using TestDirectory::Load;
  void Load(const std::string& bytes) { LoadIntoTarget(Pack, bytes); }

  void TearDown() override {
    Pack.Stream.reset();
    TestDirectory::TearDown();
  }

  TUnPack Pack;
};

TEST_F(HeldPackage, OthersMayReadButNotChangeItUntilTheExtractionEnds) {
  Load(WorkedExample());
  EXPECT_EQ(UsesOfThePackage(PathOf("data.z")), held);
  ASSERT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  // Deleted last: every use succeeds.
  EXPECT_EQ(UsesOfThePackage(PathOf("data.z")), (std::map<std::string, DWORD>{{"delete", 0}, {"read", 0}, {"rename", 0}, {"write", 0}}));
}

TEST_F(HeldPackage, IsLetGoWhenTheLoadRefusesIt) {
  for (const std::string& bytes : {std::string("\x03\x00\x00\x00", 4) + WorkedExample().substr(4),
                                   WorkedExample().substr(0, 100)}) {
    Messages.clear();
    WriteBytes("data.z", bytes);
    EXPECT_FALSE(Load(Pack, "data.z"));
    EXPECT_EQ(Messages.size(), 1u);
    THandle writer(CreateFileA("data.z", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer.Valid());
  }
}

// The worked example as a process that ignores the sharing might leave it:
// the same size, or cut, with the change made after the load.
struct ChangeCase {
  const char* what;
  std::function<void(std::string& bytes)> change;
  std::string problem;  // the second line of the message
};

TEST_F(HeldPackage, ChangedSinceTheLoadEndsTheExtractionAsDamaged) {
  const ChangeCase cases[] = {
      {"a name leading out of the target", [](std::string& b) { b.replace(42, 10, "..\\evil.tx"); },
       "file record with name climbing with \"..\" \"..\\evil.tx\" at byte offset 41"},
      {"leave records climbing above it, then a folder",
       [](std::string& b) { b[36] = 1, b[37] = 1, b[38] = 0, b[39] = 'c'; },
       "directory record \"c\" above the target directory at byte offset 38"},
      {"a size reaching past the end", [](std::string& b) { b.replace(71, 4, std::string("\xF0\xFF\xFF\x7F", 4)); },
       "file record \"demo.exe\" data runs past the end of the file at byte offset 75"},
      {"cut inside the data", [](std::string& b) { b.resize(100); },
       "file record \"demo.exe\" data runs past the end of the file at byte offset 75"},
      {"cut at a record", [](std::string& b) { b.resize(60); }, "package cut short at byte offset 60"},
      // Changes within range: every record passes its own check.
      {"a size grown to swallow the last record", [](std::string& b) { b[71] = char(201); },
       "package changed since it was loaded at byte offset 276"},
      {"a size shrunk so that data is read as a kind byte", [](std::string& b) { b[53] = 2; },
       "package changed since it was loaded at byte offset 60"},
      {"a name changed", [](std::string& b) { b[51] = 'u'; }, "package changed since it was loaded at byte offset 276"},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    ClearTarget();
    Load(WorkedExample());
    std::string changed = WorkedExample();
    c.change(changed);
    Pack.Stream->ReadForTest = [&](size_t offset, uint8_t* into, size_t count) -> size_t {
      if (offset >= changed.size()) return 0;
      const size_t n = std::min(count, changed.size() - offset);
      std::memcpy(into, changed.data() + offset, n);
      return n;
    };
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, Strings{"Bad format of file: \"data.z\"\r\n" + c.problem});
    EXPECT_TRUE(ReportedProblem);
    EXPECT_FALSE(Pack.Stream);
    // Nothing beside the target, nothing above it.
    EXPECT_EQ(TreeOf(Dir).front(), "data.z");
    for (const std::string& path : TreeOf(Dir)) EXPECT_TRUE(path == "data.z" || path.rfind("target\\", 0) == 0) << path;
  }
}

// Reads the worked example until the disc is taken out, at byte 100: in the
// middle of demo.exe's data, with the package read 16 bytes at a time.
void TakeDiscOutAt100(TUnPack& pack) {
  pack.PieceSize = 16;
  pack.Stream->ReadForTest = [](size_t offset, uint8_t* into, size_t count) -> size_t {
    if (offset >= 100) throw EInOutError(ERROR_NOT_READY);
    const std::string bytes = WorkedExample();
    const size_t n = std::min(count, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, n);
    return n;
  };
}

TEST_F(HeldPackage, ReadErrorEndsExtractWithTheSystemsErrorAndARetryGoesOn) {
  // The disc taken out while demo.exe is being read, then put back.
  Load(WorkedExample());
  TakeDiscOutAt100(Pack);
  EXPECT_EQ(ExtractError(Pack), ERROR_NOT_READY);
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Pack.Pos, 61) << "at the record being read";
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\doc\\readme.txt"), "abc");
  EXPECT_EQ(UsesOfThePackage(PathOf("data.z")), held);

  Pack.Stream->ReadForTest = nullptr;
  ASSERT_TRUE(SetCurrentDirectoryA((Target() + "\\1.0").c_str()));
  TargetDir = Target() + "\\1.0";
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), DemoExeData());
  EXPECT_EQ(TreeOf(Target()), workedTree);
}

TEST_F(HeldPackage, ReadErrorIsTakenBackLikeAnyFailure) {
  Load(WorkedExample());
  TCreatedItems created;
  Pack.Created = &created;
  TakeDiscOutAt100(Pack);
  EXPECT_EQ(ExtractError(Pack), ERROR_NOT_READY);
  EXPECT_EQ(TreeOf(Target()), (Strings{"1.0\\", "1.0\\doc\\", "1.0\\doc\\readme.txt"}))
      << "demo.exe, written in part, never had its name";
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.c_str()));
  const TLeftItems left = created.Remove([](size_t, size_t) {});
  EXPECT_EQ(left.Count, 0u) << left.First;
  EXPECT_EQ(TreeOf(Target()), Strings{});
}
