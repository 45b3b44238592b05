// The memory the record of created items takes for 20,000 files, as an
// install records them: 20,000 files in 300 folders, once with every folder
// new (the first install) and once with every folder there before (each file
// then recorded by name). Prints the bytes the record holds.
#include <cstdio>
#include <string>

#include "CreatedItems.h"

namespace {

constexpr int Folders = 300;
constexpr int Files = 20000;
const std::string Version = "C:\\Program Files\\QuorvixForge\\1.0";

std::string FolderPath(int folder) { return Version + "\\folder" + std::to_string(folder); }

size_t Record(bool foldersNew) {
  TCreatedItems created;
  if (foldersNew) {
    created.FolderCreated("C:\\Program Files\\QuorvixForge");
    created.FolderCreated(Version);
  }
  for (int folder = 0; folder < Folders; ++folder) {
    if (foldersNew) created.FolderCreated(FolderPath(folder));
    for (int file = folder; file < Files; file += Folders)
      created.FileCreated(FolderPath(folder), "file" + std::to_string(file) + ".dat");
  }
  return created.MemoryUsed();
}

}  // namespace

int main() {
  std::printf("created-items record, %d files in %d folders:\n", Files, Folders);
  std::printf("  folders new:          %zu bytes\n", Record(true));
  std::printf("  folders there before: %zu bytes\n", Record(false));
  return 0;
}
