#include "ChildProcess.h"

#include <stdexcept>

namespace Probe {

std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  // Backslashes are literal except before a quote, where they escape it.
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring JoinArguments(int argc, wchar_t** argv, int first) {
  std::wstring line;
  for (int i = first; i < argc; ++i) {
    if (i > first) line += L' ';
    line += QuoteArgument(argv[i]);
  }
  return line;
}

Child::Child(const std::wstring& commandLine, const wchar_t* workingDirectory) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring mutableLine = commandLine;
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDirectory, &startup,
                      &info_))
    throw std::runtime_error("CreateProcess failed, error " + std::to_string(GetLastError()));
}

Child::~Child() {
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

DWORD Child::Wait() {
  WaitForSingleObject(info_.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

}  // namespace Probe
