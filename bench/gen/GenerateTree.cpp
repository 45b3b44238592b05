// gentree WORKLOAD DIR [--quick]: writes the workload's tree into DIR (the
// version folder) and prints "FILES BYTES". Contents are pseudo-random, so
// nothing in the path from package to disk can shortcut them.
// gentree --list WORKLOAD [--quick]: prints "SIZE PATH" for each file instead.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "TreeWriter.h"
#include "Workloads.h"

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
      for (const Bench::FileEntry& entry : workload.Files)
        std::printf("%llu %s\n", static_cast<unsigned long long>(entry.Size), entry.Path.c_str());
      return 0;
    }
    Bench::WriteTree(workload, args[1]);
    std::printf("%zu %llu\n", workload.Files.size(), static_cast<unsigned long long>(workload.TotalBytes()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gentree: %s\n", e.what());
    return 1;
  }
  return 0;
}
