// drivetype.exe ROOT: prints the kind of drive Windows reports for a root
// folder such as R:\ ("cdrom", "fixed", ...), so that a script can tell
// that a test runs from the drive it meant to make.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: drivetype ROOT\n", stderr);
    return 2;
  }
  // Indexed by GetDriveType's result.
  const char* const kinds[] = {"unknown", "no root folder", "removable", "fixed", "remote", "cdrom", "ramdisk"};
  const UINT kind = GetDriveTypeA(argv[1]);
  std::puts(kind < sizeof kinds / sizeof kinds[0] ? kinds[kind] : "unknown");
  return 0;
}
