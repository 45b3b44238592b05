// The smallest program that does what every C++ program with error
// handling does: throw an exception carrying a text, and catch it. Built
// exactly as setup.exe is, its size is the part of setup.exe that the
// exception machinery and the start-up code take before any code of ours.
#include <windows.h>

#include <string>

namespace {

struct Failure {
  std::string text;
};

__attribute__((noinline)) void Fail(const char* text) {
  if (*text) throw Failure{text};
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  try {
    Fail(commandLine);
  } catch (const Failure& failure) {
    MessageBoxA(nullptr, failure.text.c_str(), "Failure", MB_OK);
  }
  return 0;
}
