// loadpaths read|touched|mapped PACKAGE OUTFILE
// Loads PACKAGE whole one way, then writes all its bytes to OUTFILE in one
// write, and prints "load_ms write_ms". It explains the extractor's cost on
// big packages by comparing ways of holding a package in memory:
//   read     one ReadFile into a fresh block, as the installer loads data.z
//   touched  the same after writing one byte to each page of the block, so
//            that each page is faulted in once, before the read
//   mapped   a read-only view of the file (no copy into private memory)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ChildProcess.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "loadpaths: %s failed, error %lu\n", what, GetLastError());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "read") && std::strcmp(argv[1], "touched") && std::strcmp(argv[1], "mapped"))) {
    std::fprintf(stderr, "usage: loadpaths read|touched|mapped PACKAGE OUTFILE\n");
    return 2;
  }
  const std::string strategy = argv[1];
  const double start = Probe::NowMs();
  HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("CreateFile");
  const DWORD size = GetFileSize(file, nullptr);
  std::unique_ptr<uint8_t[]> block;
  const uint8_t* data = nullptr;
  HANDLE mapping = nullptr;
  if (strategy == "mapped") {
    mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) Fail("CreateFileMapping");
    data = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (!data) Fail("MapViewOfFile");
  } else {
    block.reset(new uint8_t[size]);
    if (strategy == "touched")
      for (DWORD page = 0; page < size; page += 4096) block[page] = 0;
    DWORD done = 0;
    if (!ReadFile(file, block.get(), size, &done, nullptr) || done != size) Fail("ReadFile");
    data = block.get();
  }
  const double loaded = Probe::NowMs();
  // Created new, as the extractor creates missing files: under Wine,
  // CREATE_ALWAYS cuts the file to length 0 and ext4 then writes it all back
  // at its close, a cost of the call and not of holding the package.
  HANDLE out = CreateFileA(argv[3], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) Fail("CreateFile for writing");
  DWORD written = 0;
  if (!WriteFile(out, data, size, &written, nullptr) || written != size) Fail("WriteFile");
  CloseHandle(out);
  const double end = Probe::NowMs();
  if (mapping) {
    UnmapViewOfFile(data);
    CloseHandle(mapping);
  }
  CloseHandle(file);
  std::printf("%.1f %.1f\n", loaded - start, end - loaded);
  return 0;
}
