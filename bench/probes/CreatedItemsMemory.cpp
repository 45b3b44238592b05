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
const TFileIdentity Identity{0x12345678, 0x123456789ABCDEF};

std::string FolderPath(int folder) { return Version + "\\folder" + std::to_string(folder); }

size_t Record(bool foldersNew) {
  TCreatedItems created;
  if (foldersNew) {
    created.FolderCreated("C:\\Program Files\\QuorvixForge", Identity);
    created.FolderCreated(Version, Identity);
  }
  for (int folder = 0; folder < Folders; ++folder) {
    // A file in a folder the run made is not recorded: it goes with its folder.
    if (foldersNew) {
      created.FolderCreated(FolderPath(folder), Identity);
      continue;
    }
    for (int file = folder; file < Files; file += Folders)
      created.FileCreated(FolderPath(folder), Identity, "file" + std::to_string(file) + ".dat", Identity);
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
