// The benchmark's workloads: deterministic trees described as lists of files,
// so every run on every machine measures the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Bench {

struct FileEntry {
  std::string Path;  // relative to the version folder, '/' separated
  uint64_t Size = 0;
};

struct Workload {
  std::string Name;
  std::string KeyFile;  // the product's main program, at the top of the tree
  std::vector<FileEntry> Files;
  uint64_t TotalBytes() const;
};

// Names: "small" (many small files), "large" (a few big files), "mix" (a
// product-shaped tree), "tiny" (a few files, for start-up timing).
// quick scales every workload down for development runs.
// Throws std::invalid_argument for an unknown name.
Workload MakeWorkload(const std::string& name, bool quick);

// Small, fast, and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in [low, high].
  uint64_t Between(uint64_t low, uint64_t high);
  // Spread evenly over the orders of magnitude between low and high.
  uint64_t LogBetween(uint64_t low, uint64_t high);

 private:
  uint64_t state_;
};

}  // namespace Bench
