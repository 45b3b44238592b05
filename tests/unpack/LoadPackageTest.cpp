// LoadPackage: the header, the version test, files that cannot be loaded and
// packages refused as damaged or hostile before anything is written.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "Handle.h"
#include "TestDirectory.h"
#include "UnPack.h"

namespace {

using Strings = std::vector<std::string>;

const Strings untouched = {"data.z", "target\\"};

// The package written as data.z, whose first bytes are bytes and whose
// size is size: the rest is a hole, so that huge files cost nothing.
bool WriteSparsePackage(const std::string& bytes, int64_t size) {
  THandle file(CreateFileA("data.z", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  LARGE_INTEGER end;
  end.QuadPart = size;
  return file.Valid() && WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
         SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

}  // namespace

class LoadPackage : public TestDirectory {};

TEST_F(LoadPackage, DecodesTheHeaderAndStandsAtTheFirstRecord) {
  WriteBytes("data.z", WorkedExample());
  TUnPack pack;
  ASSERT_TRUE(Load(pack, "data.z"));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(pack.FileName, "data.z");
  EXPECT_EQ(pack.KeyFileName, "demo.exe");
  EXPECT_EQ(pack.Title, "Demo 1.0");
  EXPECT_EQ(pack.FolderName, "Demo");
  EXPECT_EQ(pack.RequiredSize, 2000000);
  EXPECT_EQ(pack.Size, 276);
  EXPECT_EQ(pack.Pos, 31);
  ASSERT_TRUE(pack.Stream);
  EXPECT_EQ(pack.Stream->Size(), 276);
  EXPECT_EQ(TreeOf(Dir), untouched);
}

TEST_F(LoadPackage, HeaderTextsKeepTheirBytes) {
  // Windows-1251 texts reach the fields unconverted.
  const std::string title = "\xC4\xE5\xEC\xEE 1.0";  // Демо 1.0
  WriteBytes("data.z", Package::EncodeHeader("\xE4\xE5\xEC\xEE.exe", title, "\xC4\xE5\xEC\xEE", -5));
  TUnPack pack;
  ASSERT_TRUE(Load(pack, "data.z"));
  EXPECT_EQ(pack.KeyFileName, "\xE4\xE5\xEC\xEE.exe");
  EXPECT_EQ(pack.Title, title);
  EXPECT_EQ(pack.FolderName, "\xC4\xE5\xEC\xEE");
  EXPECT_EQ(pack.RequiredSize, -5);
}

// A file that cannot be opened, or one of another version: one message,
// nothing held, nothing written.
struct UnloadableCase {
  const char* what;
  // Makes data.z unloadable; may keep a handle open meanwhile. False when
  // the file system here cannot set the case up.
  std::function<bool(THandle& held)> prepare;
  std::string message;
};

void PrintTo(const UnloadableCase& c, std::ostream* os) { *os << c.what; }

class LoadPackageRefused : public TestDirectory, public testing::WithParamInterface<UnloadableCase> {};

TEST_P(LoadPackageRefused, SaysWhyAndHoldsNothing) {
  THandle held;
  if (!GetParam().prepare(held)) GTEST_SKIP() << "cannot make " << GetParam().what << " here";
  TUnPack pack;
  EXPECT_FALSE(Load(pack, "data.z"));
  EXPECT_EQ(Messages, Strings{GetParam().message});
  EXPECT_FALSE(pack.Stream);
  TargetDir = Target();
  EXPECT_FALSE(RunExtract(pack));
  EXPECT_EQ(Messages.size(), 1u);
  EXPECT_EQ(TreeOf(Target()), Strings{});
}

const std::string CannotOpen = "Can not open file data.z";
const std::string BadVersion = "Bad version of file: \"data.z\"";

// The worked example with its version field replaced.
std::function<bool(THandle&)> Version(const char* field) {
  return [field](THandle&) {
    WriteBytes("data.z", std::string(field, 4) + WorkedExample().substr(4));
    return true;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadPackageRefused,
    testing::Values(
        UnloadableCase{"missing", [](THandle&) { return true; }, CannotOpen},
        UnloadableCase{"empty", [](THandle&) { return WriteSparsePackage("", 0); }, CannotOpen},
        UnloadableCase{"a folder", [](THandle&) { return CreateDirectoryA("data.z", nullptr) != 0; }, CannotOpen},
        UnloadableCase{"held open sharing nothing",
                       [](THandle& held) {
                         WriteBytes("data.z", WorkedExample());
                         held = THandle(CreateFileA("data.z", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                         return held.Valid();
                       },
                       CannotOpen},
        // The bound is the file's 64-bit size, compared in every build.
        UnloadableCase{"2 GiB", [](THandle&) { return WriteSparsePackage(WorkedExample(), int64_t(1) << 31); },
                       CannotOpen},
        // The low 32 bits of the size say 276: only the high half tells.
        UnloadableCase{"4 GiB and the example",
                       [](THandle&) { return WriteSparsePackage(WorkedExample(), (int64_t(1) << 32) + 276); },
                       CannotOpen},
        // The version is one little-endian integer: 02 00 00 01 is not 2.
        UnloadableCase{"version 02 00 00 01", Version("\x02\x00\x00\x01"), BadVersion},
        UnloadableCase{"version 1", Version("\x01\x00\x00\x00"), BadVersion},
        UnloadableCase{"version 3", Version("\x03\x00\x00\x00"), BadVersion}),
    [](const testing::TestParamInfo<UnloadableCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) name += isalnum(uint8_t(*p)) ? *p : '_';
      return name;
    });

TEST_F(LoadPackage, LoadsWhileAnotherOpenerDeniesWriting) {
  // As on a CD or a read-only share: reading is all the loader asks for.
  WriteBytes("data.z", WorkedExample());
  THandle reader(CreateFileA("data.z", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader.Valid());
  TUnPack pack;
  EXPECT_TRUE(Load(pack, "data.z"));
  EXPECT_TRUE(Messages.empty());
}

// Leaves the heap nothing but holes of a given size: the free address space
// is reserved until it goes, so that the heap can grow no more, then every
// block the heap has left is taken and every other one of hole bytes given
// back. Blocks up to that size can still be had, a larger one cannot.
class THeapInHoles {
 public:
  explicit THeapInHoles(size_t hole) {
    regions_.reserve(1 << 18);
    taken_.reserve(1 << 18);
    holes_.reserve(1 << 18);
    for (size_t chunk = size_t(1) << 30; chunk >= 64 * 1024; chunk /= 2)
      while (regions_.size() < regions_.capacity())
        if (void* region = VirtualAlloc(nullptr, chunk, MEM_RESERVE, PAGE_NOACCESS))
          regions_.push_back(region);
        else
          break;
    bool give = false;
    while (holes_.size() < holes_.capacity())
      if (void* block = std::malloc(hole))
        ((give = !give) ? holes_ : taken_).push_back(block);
      else
        break;
    for (size_t size = hole / 2; size >= 16; size /= 2)
      while (taken_.size() < taken_.capacity())
        if (void* block = std::malloc(size))
          taken_.push_back(block);
        else
          break;
    for (void* block : holes_) std::free(block);
  }
  ~THeapInHoles() {
    for (void* block : taken_) std::free(block);
    for (void* region : regions_) VirtualFree(region, 0, MEM_RELEASE);
  }
  THeapInHoles(const THeapInHoles&) = delete;
  THeapInHoles& operator=(const THeapInHoles&) = delete;

 private:
  std::vector<void*> regions_, taken_, holes_;
};

TEST_F(LoadPackage, RunningOutOfMemoryWhileDecodingSaysCanNotOpen) {
  // The heap keeps holes of 24 KiB: an 8 KiB title fits one, a title as long
  // as any string may be needs a block of 32 KiB while it is read.
  auto package = [](size_t titleLength) {
    return Package::EncodeHeader("demo.exe", std::string(titleLength, 'T'), "Demo", 0) + DirRecord("1.0") +
           FileRecord("demo.exe", "x") + LeaveRecord();
  };
  WriteBytes("fits.z", package(8 * 1024));
  WriteBytes("data.z", package(Package::StringLengthLimit));
  TUnPack fits, pack;
  bool fitsLoaded = false, loaded = true;
  {
    THeapInHoles holes(24 * 1024);
    EXPECT_NO_THROW(fitsLoaded = Load(fits, "fits.z"));
    EXPECT_NO_THROW(loaded = Load(pack, "data.z"));
  }
  EXPECT_TRUE(fitsLoaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(Messages, Strings{"Can not open file data.z"});
  EXPECT_FALSE(pack.Stream);
  TargetDir = Target();
  EXPECT_FALSE(RunExtract(pack));
  EXPECT_EQ(TreeOf(Dir), (Strings{"data.z", "fits.z", "target\\"}));
}

struct DamagedCase {
  const char* what;
  std::string bytes;
  size_t offset;  // where the problem is reported
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.what; }

class LoadPackageRefuses : public TestDirectory, public testing::WithParamInterface<DamagedCase> {};

TEST_P(LoadPackageRefuses, WithWhatAndWhereBeforeWritingAnything) {
  const DamagedCase& c = GetParam();
  WriteBytes("data.z", c.bytes);
  TUnPack pack;
  EXPECT_FALSE(Load(pack, "data.z"));
  ASSERT_EQ(Messages.size(), 1u);
  const std::string& text = Messages[0];
  const std::string first = "Bad format of file: \"data.z\"\r\n";
  const std::string last = " at byte offset " + std::to_string(c.offset);
  EXPECT_EQ(text.substr(0, first.size()), first) << text;
  EXPECT_TRUE(text.size() > last.size() && text.substr(text.size() - last.size()) == last) << text;
  EXPECT_FALSE(pack.Stream);
  TargetDir = Target();
  EXPECT_FALSE(RunExtract(pack));
  EXPECT_EQ(TreeOf(Dir), untouched);
}

const std::string head = DemoHeader();  // 31 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadPackageRefuses,
    testing::Values(
        DamagedCase{"one byte", "\x02", 0},
        DamagedCase{"title without terminator", head.substr(0, 16), 13},
        DamagedCase{"title longer than any path",
                    Package::EncodeHeader("demo.exe", std::string(Package::StringLengthLimit + 1, 'T'), "Demo", 0), 13},
        DamagedCase{"name without end longer than any path", head + "\x02" + std::string(1 << 20, 'n'), 31},
        DamagedCase{"negative size", head + Package::EncodeFileRecordStart("demo.exe", -1), 41},
        DamagedCase{"data past the end", head + Package::EncodeFileRecordStart("demo.exe", 4) + "abc", 45},
        DamagedCase{"empty name", head + DirRecord("1.0") + DirRecord(""), 36},
        DamagedCase{"absolute name", head + FileRecord("\\Windows\\demo.exe", "x"), 31},
        DamagedCase{"drive letter", head + FileRecord("C:demo.exe", "x"), 31},
        DamagedCase{"climbing", head + DirRecord("1.0") + FileRecord("..\\..\\demo.exe", "x"), 36},
        DamagedCase{"dots and a space", head + DirRecord(".. ") + FileRecord("demo.exe", "x"), 31},
        DamagedCase{"device", head + FileRecord("doc\\NUL.txt", "x"), 31},
        DamagedCase{"wildcard", head + DirRecord("1.0") + FileRecord("demo?.exe", "x"), 36},
        DamagedCase{"console device", head + FileRecord("CONOUT$", "x"), 31},
        DamagedCase{"port with a superscript digit", head + DirRecord("COM\xB9"), 31},
        DamagedCase{"above the target after leaving",
                    head + DirRecord("1.0") + LeaveRecord() + LeaveRecord() + FileRecord("demo.exe", "x"), 38}),
    [](const testing::TestParamInfo<DamagedCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) name += isalnum(uint8_t(*p)) ? *p : '_';
      return name;
    });

TEST_F(LoadPackage, DamageIsReportedInFull) {
  WriteBytes("data.z", head + DirRecord("1.0") + FileRecord("..\\..\\demo.exe", "x"));
  TUnPack pack;
  EXPECT_FALSE(Load(pack, "data.z"));
  EXPECT_EQ(Messages, Strings{"Bad format of file: \"data.z\"\r\n"
                              "file record with name climbing with \"..\" \"..\\..\\demo.exe\" at byte offset 36"});
}

TEST_F(LoadPackage, LongNamesAreShownCutShort) {
  const std::string longName(2000, 'n');
  const struct {
    std::string package;
    std::string message;
  } cases[] = {
      {head + DirRecord("1.0") + FileRecord("..\\" + longName, "x"),
       "file record with name climbing with \"..\" \"..\\" + longName.substr(0, 77) + "...\" at byte offset 36"},
      {head + Package::EncodeFileRecordStart(longName, 5), "file record \"" + longName.substr(0, 80) +
                                                               "...\" data runs past the end of the file at byte offset " +
                                                               std::to_string(head.size() + 1 + longName.size() + 1 + 4)},
  };
  for (const auto& c : cases) {
    Messages.clear();
    WriteBytes("data.z", c.package);
    TUnPack pack;
    EXPECT_FALSE(Load(pack, "data.z"));
    EXPECT_EQ(Messages, Strings{"Bad format of file: \"data.z\"\r\n" + c.message});
  }
}
