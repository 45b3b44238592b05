// The benchmark's workloads must be the same trees on every run and every
// machine, hold what they claim, and give no two files the same bytes (a
// contender that noticed repeats could take a shortcut).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

#include <stdlib.h>

#include "TreeWriter.h"
#include "Workloads.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Relative path ('/' separated) to contents, for every file under root.
std::map<std::string, std::string> ReadTree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = ReadAll(entry.path());
  return files;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "bench-workloads-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

TEST(WorkloadTree, WrittenTwiceIsTheSameTreeAsItsListingWithNoTwoFilesAlike) {
  for (const char* name : {"tiny", "small"}) {
    SCOPED_TRACE(name);
    const Bench::Workload workload = Bench::MakeWorkload(name, true);
    TempDir first, second;
    Bench::WriteTree(workload, first.Path());
    Bench::WriteTree(workload, second.Path());
    const auto tree = ReadTree(first.Path());
    EXPECT_EQ(tree, ReadTree(second.Path()));

    ASSERT_EQ(tree.size(), workload.Files.size());
    std::set<std::string> contents;
    for (const Bench::FileEntry& entry : workload.Files) {
      const auto file = tree.find(entry.Path);
      ASSERT_NE(file, tree.end()) << entry.Path;
      EXPECT_EQ(file->second.size(), entry.Size) << entry.Path;
      if (entry.Size) EXPECT_TRUE(contents.insert(file->second).second) << entry.Path << " repeats another file";
    }
  }
}

TEST(WorkloadShape, EachWorkloadHoldsWhatTheBenchmarkReportsItAs) {
  constexpr uint64_t KiB = 1024, MiB = 1024 * KiB;
  struct Case {
    const char* Name;
    bool Quick;
    size_t MinFiles, MaxFiles;
    uint64_t MinFile, MaxFile;  // sizes of the workload's bulk
    uint64_t MinTotal, MaxTotal;
  };
  const Case cases[] = {
      {"small", false, 20000, 20100, 1 * KiB, 64 * KiB, 500 * MiB, 700 * MiB},
      {"small", true, 2000, 2100, 1 * KiB, 64 * KiB, 50 * MiB, 70 * MiB},
      {"large", false, 4, 10, 0, 256 * MiB, 1024 * MiB, 1025 * MiB},
      {"mix", false, 3000, 3200, 0, 500 * MiB, 500 * MiB, 500 * MiB},
      {"mix", true, 300, 400, 0, 50 * MiB, 50 * MiB, 50 * MiB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + (c.Quick ? " quick" : ""));
    const Bench::Workload w = Bench::MakeWorkload(c.Name, c.Quick);
    EXPECT_GE(w.Files.size(), c.MinFiles);
    EXPECT_LE(w.Files.size(), c.MaxFiles);
    EXPECT_GE(w.TotalBytes(), c.MinTotal);
    EXPECT_LE(w.TotalBytes(), c.MaxTotal);
    size_t bulk = 0;
    for (const Bench::FileEntry& f : w.Files) bulk += f.Size >= c.MinFile && f.Size <= c.MaxFile;
    EXPECT_GE(bulk, c.MinFiles - 3) << "files outside the workload's size range";
    // The installer's shortcuts expect these beside the key file.
    std::set<std::string> paths;
    for (const Bench::FileEntry& f : w.Files) paths.insert(f.Path);
    for (const char* needed : {"app.exe", "MANUAL/English/manual.pdf", "MANUAL/Russian/manual.pdf"})
      EXPECT_EQ(paths.count(needed), 1u) << needed;
    EXPECT_EQ(paths.size(), w.Files.size()) << "a path is listed twice";
  }
  EXPECT_THROW(Bench::MakeWorkload("huge", false), std::invalid_argument);
}

// The highest power of two not above `value` (value > 0), as a bit index.
unsigned OrderOfMagnitude(uint64_t value) {
  unsigned bits = 0;
  while (value >>= 1) ++bits;
  return bits;
}

// Even draws come within a sixty-fourth of the range of either end (exactly
// to it where the range is narrow); logarithmic ones fill every power of
// two between the ends about alike, the lowest and the highest included.
TEST(WorkloadRandom, DrawsStayWithinTheirBoundsAndReachBothEnds) {
  struct Range {
    uint64_t Low, High;
  };
  const Range ranges[] = {{1024, 65536}, {256, 256 * 1024}, {32 * 1024, 8 << 20}, {1000, 5000}, {7, 7}, {0, 1}};
  constexpr int draws = 20000;
  for (const Range r : ranges) {
    SCOPED_TRACE(std::to_string(r.Low) + ".." + std::to_string(r.High));
    const uint64_t logLow = r.Low ? r.Low : 1, logHigh = r.High ? r.High : 1;
    const uint64_t nearEnd = (r.High - r.Low) / 64;
    Bench::Random random(42);
    bool lowSeen = false, highSeen = false, nearLowSeen = false, nearHighSeen = false;
    std::map<unsigned, int> perOrder;
    for (int i = 0; i < draws; ++i) {
      const uint64_t even = random.Between(r.Low, r.High);
      const uint64_t spread = random.LogBetween(logLow, logHigh);
      ASSERT_GE(even, r.Low);
      ASSERT_LE(even, r.High);
      ASSERT_GE(spread, logLow);
      ASSERT_LE(spread, logHigh);
      lowSeen |= even == r.Low;
      highSeen |= even == r.High;
      nearLowSeen |= even <= r.Low + nearEnd;
      nearHighSeen |= even >= r.High - nearEnd;
      ++perOrder[OrderOfMagnitude(spread)];
    }
    EXPECT_TRUE(nearLowSeen);
    EXPECT_TRUE(nearHighSeen);
    if (r.High - r.Low < 1000) {
      EXPECT_TRUE(lowSeen);
      EXPECT_TRUE(highSeen);
    }
    const unsigned lowest = OrderOfMagnitude(logLow), highest = OrderOfMagnitude(logHigh);
    const int fairShare = draws / int(highest - lowest + 1);
    for (unsigned order = lowest; order <= highest; ++order)
      EXPECT_GT(perOrder[order], fairShare / 2) << "draws between 2^" << order << " and 2^" << order + 1;
  }
}
