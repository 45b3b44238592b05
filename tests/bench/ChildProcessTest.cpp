// The start-up probe hands the measured program its arguments through one
// command line: each must come back whole, as the program's parser reads it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "ChildProcess.h"

TEST(ChildProcessCommandLine, ArgumentsSurviveTheRoundTripThroughTheParser) {
  const std::vector<std::wstring> table = {
      L"plain",
      L"two words",
      L"",
      L"Z:\\work\\target dir\\",  // a trailing backslash before the closing quote
      L"C:\\path\\",
      L"say \"hi\"",
      L"back\\\\\"slash",
      L"\\\\server\\share",
      L"tab\there",
      L"/D=Z:\\x",
  };
  std::vector<wchar_t*> argv{const_cast<wchar_t*>(L"probe.exe")};
  for (const std::wstring& argument : table) argv.push_back(const_cast<wchar_t*>(argument.c_str()));
  const std::wstring line = L"probe.exe " + Probe::JoinArguments(int(argv.size()), argv.data(), 1);

  int count = 0;
  LPWSTR* parsed = CommandLineToArgvW(line.c_str(), &count);
  ASSERT_NE(parsed, nullptr);
  ASSERT_EQ(size_t(count), table.size() + 1) << "line: " << std::string(line.begin(), line.end());
  for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(std::wstring(parsed[i + 1]), table[i]) << "argument " << i;
  LocalFree(parsed);
}
