// gentree WORKLOAD DIR [--quick]: writes the workload's tree into DIR (the
// version folder) and prints "FILES BYTES". Contents are pseudo-random, so
// nothing in the path from package to disk can shortcut them.
// gentree --list WORKLOAD [--quick]: prints "SIZE PATH" for each file instead.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Workloads.h"

namespace fs = std::filesystem;

namespace {

uint64_t PathSeed(const std::string& path) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : path) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

void WriteFile(const fs::path& path, const Bench::FileSpec& spec, std::vector<uint64_t>& block) {
  fs::create_directories(path.parent_path());
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  if (!out) throw std::runtime_error("cannot create " + path.string());
  Bench::Random random(PathSeed(spec.Path));
  for (uint64_t left = spec.Size; left > 0;) {
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

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto take = [&args](const char* flag) {
    for (auto it = args.begin(); it != args.end(); ++it)
      if (*it == flag) return args.erase(it), true;
    return false;
  };
  const bool quick = take("--quick"), list = take("--list");
  if (args.size() != (list ? 1u : 2u)) {
    std::fprintf(stderr, "usage: gentree small|large|mix|tiny DIR [--quick]\n       gentree --list WORKLOAD [--quick]\n");
    return 2;
  }
  try {
    const Bench::Workload workload = Bench::MakeWorkload(args[0], quick);
    if (list) {
      for (const Bench::FileSpec& spec : workload.Files)
        std::printf("%llu %s\n", static_cast<unsigned long long>(spec.Size), spec.Path.c_str());
      return 0;
    }
    const fs::path root = args[1];
    std::vector<uint64_t> block(128 * 1024);  // 1 MiB
    for (const Bench::FileSpec& spec : workload.Files) WriteFile(root / spec.Path, spec, block);
    std::printf("%zu %llu\n", workload.Files.size(), static_cast<unsigned long long>(workload.TotalBytes()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gentree: %s\n", e.what());
    return 1;
  }
  return 0;
}
