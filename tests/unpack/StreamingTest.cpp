// The package is read in pieces, never whole: every read of the load and of
// the extraction is at most its piece size, the load skips the file data,
// the extraction reads each byte once, in order, and the extractor's memory
// does not grow with the package.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "UnPack.h"

namespace {

struct Read {
  size_t offset, count;
};

// Files larger than the load's piece and many extraction pieces, between
// small records.
std::string PackageWithLargeFiles() {
  return DemoHeader() + DirRecord("1.0") + FileRecord("first.bin", std::string(100000, 'a')) +
         FileRecord("small.txt", "abc") + DirRecord("sub") + FileRecord("second.bin", std::string(300000, 'b')) +
         LeaveRecord() + FileRecord("demo.exe", DemoExeData()) + LeaveRecord();
}
constexpr size_t LargeFilesRecords = 7;
constexpr size_t LargeFilesData = 100000 + 3 + 300000 + 200;

// The memory this process has taken at most so far, and now.
PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    ADD_FAILURE() << "no memory figures: error " << GetLastError();
  return counters;
}

}  // namespace

class Streaming : public TestDirectory {
 protected:
  void TearDown() override {
    Pack.Stream.reset();
    TestDirectory::TearDown();
  }
  TUnPack Pack;
};

TEST_F(Streaming, EveryReadIsAPieceAndTheExtractionReadsTheDataOnceInOrder) {
  const std::string bytes = PackageWithLargeFiles();
  std::vector<Read> reads;
  Pack.ReadForTest = [&](size_t offset, uint8_t* into, size_t count) -> size_t {
    reads.push_back({offset, count});
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min(count, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, n);
    return n;
  };
  Pack.PieceSize = 4096;
  LoadIntoTarget(Pack, bytes);
  const std::vector<Read> loadReads = reads;
  reads.clear();
  ASSERT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(ReadBytes(PathOf("target\\1.0\\sub\\second.bin")), std::string(300000, 'b'));

  // The load: at most a piece for each record, the large files' data skipped.
  size_t loaded = 0;
  for (const Read& read : loadReads) {
    EXPECT_LE(read.count, TPackageStream::LoadPieceSize) << "at " << read.offset;
    loaded += read.count;
  }
  EXPECT_LE(loaded, LargeFilesRecords * TPackageStream::LoadPieceSize);
  EXPECT_LT(loaded, LargeFilesData / 4);

  // The extraction: from the first record to the end, each read where the
  // last one stopped.
  ASSERT_FALSE(reads.empty());
  size_t next = size_t(DemoHeader().size());
  for (const Read& read : reads) {
    EXPECT_LE(read.count, Pack.PieceSize) << "at " << read.offset;
    EXPECT_EQ(read.offset, next);
    next = read.offset + read.count;
  }
  EXPECT_EQ(next, bytes.size());
}

// A package of 256 MiB of zeros, sparse (a hole where the data is), loaded and extracted in this
// process with the installer's piece size: the largest the process ever got
// stays within 16 MiB of what it held before; read whole, the package alone
// would take 256 MiB.
TEST_F(Streaming, PeakMemoryOfALargeExtractionStaysBounded) {
  constexpr int32_t BigSize = 256 << 20;
  constexpr size_t Bound = 16 << 20;
  {
    const std::string head = DemoHeader() + DirRecord("1.0") + Package::EncodeFileRecordStart("big.bin", BigSize);
    const std::string tail = FileRecord("demo.exe", "MZ") + LeaveRecord();
    THandle file(CreateFileA(PathOf("data.z").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), head.data(), DWORD(head.size()), &written, nullptr));
    LARGE_INTEGER past{};
    past.QuadPart = BigSize;
    ASSERT_TRUE(SetFilePointerEx(file.Get(), past, nullptr, FILE_CURRENT));
    ASSERT_TRUE(WriteFile(file.Get(), tail.data(), DWORD(tail.size()), &written, nullptr));
  }
  const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
  ASSERT_GT(before.WorkingSetSize, 0u);

  ASSERT_TRUE(Load(Pack, "data.z"));
  TargetDir = Target();
  ASSERT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  const PROCESS_MEMORY_COUNTERS after = MemoryCounters();

  WIN32_FILE_ATTRIBUTE_DATA big{};
  ASSERT_TRUE(GetFileAttributesExA(PathOf("target\\1.0\\big.bin").c_str(), GetFileExInfoStandard, &big));
  EXPECT_EQ(big.nFileSizeLow, DWORD(BigSize));
  EXPECT_GE(after.PeakWorkingSetSize, before.WorkingSetSize) << "no peak figure";
  EXPECT_LE(after.PeakWorkingSetSize, before.WorkingSetSize + Bound)
      << "peak " << after.PeakWorkingSetSize << " bytes, " << before.WorkingSetSize << " before";

  // The figure shows a use beyond the bound: twice the bound touched now
  // raises the peak past it.
  void* const block = VirtualAlloc(nullptr, 2 * Bound, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(block, nullptr);
  for (size_t at = 0; at < 2 * Bound; at += 4096) static_cast<volatile char*>(block)[at] = 1;
  EXPECT_GT(MemoryCounters().PeakWorkingSetSize, before.WorkingSetSize + Bound) << "the peak figure does not move";
  VirtualFree(block, 0, MEM_RELEASE);
}
