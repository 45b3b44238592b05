// The program's entry: the arguments as UTF-8, whatever the platform.
#include <filesystem>
#include <string>
#include <vector>

#include "Main.h"

#ifdef _WIN32
#include <windows.h>

// Wide arguments: the ANSI ones would lose every name outside the code page.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(std::filesystem::path(argv[i]).u8string());
  return Mkpkg::RunMkpkg(args);
}

#else

int main(int argc, char** argv) { return Mkpkg::RunMkpkg(std::vector<std::string>(argv + 1, argv + argc)); }

#endif
