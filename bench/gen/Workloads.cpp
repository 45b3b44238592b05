#include "Workloads.h"

#include <cstdio>
#include <stdexcept>

namespace Bench {

namespace {

constexpr uint64_t KiB = 1024;
constexpr uint64_t MiB = 1024 * KiB;

// Every product carries its manuals where the installer's shortcuts expect them.
void AddManuals(Workload& w, uint64_t size) {
  w.Files.push_back({"MANUAL/English/manual.pdf", size});
  w.Files.push_back({"MANUAL/Russian/manual.pdf", size});
}

std::string Numbered(const char* prefix, unsigned number, const char* suffix) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%04u%s", prefix, number, suffix);
  return text;
}

// About 20,000 files of 1 to 64 KiB spread over a few hundred folders.
Workload SmallFiles(bool quick) {
  Workload w{"small", "app.exe", {}};
  const unsigned tops = quick ? 5 : 20, subs = quick ? 6 : 15;
  const unsigned files = quick ? 2000 : 20000;
  static const char* const extensions[] = {".dll", ".png", ".xml", ".txt", ".dat", ".ini", ".js", ".css"};
  Random random(0x5EED0001);
  w.Files.push_back({"app.exe", 64 * KiB});
  AddManuals(w, 16 * KiB);
  for (unsigned i = 0; i < files; ++i) {
    const unsigned folder = i % (tops * subs);
    const std::string dir = Numbered("group", folder / subs, "/") + Numbered("part", folder % subs, "/");
    w.Files.push_back({dir + Numbered("item", i, extensions[i % 8]), random.Between(1 * KiB, 64 * KiB)});
  }
  return w;
}

// Four files of 256 MiB beside a small main program and its manuals.
Workload LargeFiles(bool quick) {
  Workload w{"large", "app.exe", {}};
  w.Files.push_back({"app.exe", 64 * KiB});
  AddManuals(w, 16 * KiB);
  for (unsigned i = 1; i <= 4; ++i) w.Files.push_back({Numbered("data/volume", i, ".bin"), (quick ? 16 : 256) * MiB});
  return w;
}

// A product: a main program, libraries, thousands of small resources, a few
// big data archives, manuals, some empty files; about 500 MiB in all.
Workload ProductMix(bool quick) {
  Workload w{"mix", "app.exe", {}};
  const uint64_t scale = quick ? 10 : 1;
  const uint64_t target = 500 * MiB / scale;
  Random random(0x5EED0003);
  w.Files.push_back({"app.exe", 6 * MiB / scale});
  for (unsigned i = 0; i < 40; ++i) w.Files.push_back({Numbered("bin/lib", i, ".dll"), random.LogBetween(32 * KiB, 8 * MiB / scale)});
  const unsigned resources = quick ? 300 : 3000;
  for (unsigned i = 0; i < resources; ++i) {
    const std::string dir = Numbered("res/set", i % 12, "/") + Numbered("kind", i / 12 % 8, "/");
    w.Files.push_back({dir + Numbered("res", i, i % 3 ? ".png" : ".xml"), random.LogBetween(256, 256 * KiB)});
  }
  for (unsigned i = 0; i < 5; ++i) w.Files.push_back({Numbered("config/empty", i, ".cfg"), 0});
  AddManuals(w, 3 * MiB / scale);
  // Three archives take what is left, half, a third and the rest.
  const uint64_t used = w.TotalBytes();
  const uint64_t left = target > used ? target - used : 0;
  w.Files.push_back({"data/archive1.pak", left / 2});
  w.Files.push_back({"data/archive2.pak", left / 3});
  w.Files.push_back({"data/archive3.pak", left - left / 2 - left / 3});
  return w;
}

// A few files: start-up is timed without the package's size in the way.
Workload Tiny() {
  Workload w{"tiny", "app.exe", {}};
  w.Files.push_back({"app.exe", 64 * KiB});
  AddManuals(w, 16 * KiB);
  return w;
}

}  // namespace

uint64_t Workload::TotalBytes() const {
  uint64_t total = 0;
  for (const FileEntry& f : Files) total += f.Size;
  return total;
}

Workload MakeWorkload(const std::string& name, bool quick) {
  if (name == "small") return SmallFiles(quick);
  if (name == "large") return LargeFiles(quick);
  if (name == "mix") return ProductMix(quick);
  if (name == "tiny") return Tiny();
  throw std::invalid_argument("unknown workload: " + name);
}

// splitmix64: every seed gives a full-period, well-mixed sequence.
uint64_t Random::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t Random::Between(uint64_t low, uint64_t high) { return low + Next() % (high - low + 1); }

uint64_t Random::LogBetween(uint64_t low, uint64_t high) {
  // Pick an order of magnitude (a power of two) first, then a size in it.
  unsigned lowBits = 0, highBits = 0;
  while ((low >> lowBits) > 1) ++lowBits;
  while ((high >> highBits) > 1) ++highBits;
  const unsigned bits = static_cast<unsigned>(Between(lowBits, highBits));
  const uint64_t from = uint64_t{1} << bits;
  const uint64_t to = bits == highBits ? high : (from << 1) - 1;
  return Between(from < low ? low : from, to);
}

}  // namespace Bench
