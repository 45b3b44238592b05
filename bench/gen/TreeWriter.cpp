#include "TreeWriter.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace Bench {

namespace {

uint64_t PathSeed(const std::string& path) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : path) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

void WriteFile(const fs::path& path, const FileEntry& entry, std::vector<uint64_t>& block) {
  fs::create_directories(path.parent_path());
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  if (!out) throw std::runtime_error("cannot create " + path.string());
  Random random(PathSeed(entry.Path));
  for (uint64_t left = entry.Size; left > 0;) {
    const uint64_t chunk = left < block.size() * 8 ? left : block.size() * 8;
    for (size_t i = 0; i < (chunk + 7) / 8; ++i) block[i] = random.Next();
    if (std::fwrite(block.data(), 1, chunk, out) != chunk) {
      std::fclose(out);
      throw std::runtime_error("cannot write " + path.string());
    }
    left -= chunk;
  }
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void WriteTree(const Workload& workload, const fs::path& root) {
  std::vector<uint64_t> block(128 * 1024);  // 1 MiB
  for (const FileEntry& entry : workload.Files) WriteFile(root / entry.Path, entry, block);
}

}  // namespace Bench
