// pin-package.exe SETUP.EXE DIGEST: gives a copy of setup.exe the package
// digest a release builds into it (the RCDATA resource PACKAGE_SHA256,
// 64 hexadecimal digits), through Windows' own resource update, so that
// a test can pin a setup.exe to a package it has just made.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || wcslen(argv[2]) != 64) {
    std::fputs("usage: pin-package SETUP.EXE DIGEST (64 hexadecimal digits)\n", stderr);
    return 2;
  }
  const std::string digest(argv[2], argv[2] + 64);
  HANDLE update = BeginUpdateResourceW(argv[1], FALSE);
  if (!update ||
      !UpdateResourceW(update, MAKEINTRESOURCEW(10) /* RT_RCDATA */, L"PACKAGE_SHA256",
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(digest.data()),
                       DWORD(digest.size())) ||
      !EndUpdateResourceW(update, FALSE)) {
    std::fprintf(stderr, "pin-package: cannot update the resources of the program (error %lu)\n", GetLastError());
    return 1;
  }
  return 0;
}
