// Starting a program the way the shell would, for the measuring probes.
#pragma once

#include <windows.h>

#include <string>

namespace Probe {

// One argument quoted so that the child's command-line parser gets it back.
std::wstring QuoteArgument(const std::wstring& argument);

// The command line of argv[first..argc), each argument quoted.
std::wstring JoinArguments(int argc, wchar_t** argv, int first);

// A started process; its handles are closed on destruction.
class Child {
 public:
  Child(const std::wstring& commandLine, const wchar_t* workingDirectory);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  HANDLE Process() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  // Waits for the end and returns the exit code.
  DWORD Wait();

 private:
  PROCESS_INFORMATION info_{};
};

// Milliseconds since an arbitrary start, with the performance counter.
double NowMs();

}  // namespace Probe
