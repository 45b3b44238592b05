// guidriver.exe, the driver's command-line front, against the real setup.exe.
#include <gtest/gtest.h>

#include <string>

#include "GuiDriver.h"
#include "SetupRun.h"

using namespace GuiDriver;

namespace {

struct Outcome {
  DWORD exitCode = 99;
  std::string out;
};

// Runs guidriver.exe with `arguments` and collects what it prints. The
// output goes to a file, not a pipe: processes that Wine starts on the way
// (the desktop's) inherit the handle and would keep a pipe open.
Outcome RunDriver(const std::wstring& arguments) {
  Outcome outcome;
  TempDir dir;
  const std::wstring outputFile = dir.File(L"out.txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return outcome;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  const std::wstring exe = WindowsPath(GUIDRIVER_EXE_PATH);
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    WaitForSingleObject(info.hProcess, DefaultTimeout * 2);
    GetExitCodeProcess(info.hProcess, &outcome.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  CloseHandle(output);
  GuiDriver::ReadFile(outputFile, outcome.out);
  return outcome;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

TEST(GuiDriverCommandLine, DrivesSetupThroughItsDialogsAndReportsTheExitCode) {
  TempDir dir;
  ASSERT_TRUE(dir.WriteFile(L"data.z", SetupTest::DemoPackage("Demo 1.0")));
  const std::wstring start = L"start " + Quoted(SetupExe()) + L" " + Quoted(dir.Path());

  // Under Russian the Exit button reads "Выход".
  const Outcome asked = RunDriver(start + L" select Russian click \u0412\u044b\u0445\u043e\u0434 answer No close wait");
  EXPECT_EQ(asked.exitCode, 0u) << asked.out;
  EXPECT_EQ(asked.out.find("dialog: Confirm: "), 0u) << asked.out;
  EXPECT_NE(asked.out.find("Demo 1.0?\n"), std::string::npos) << asked.out;
  EXPECT_NE(asked.out.find("\nexit code: 0\n"), std::string::npos) << asked.out;

  const Outcome failing = RunDriver(L"--timeout 1 " + start + L" click Nowhere wait");
  EXPECT_EQ(failing.exitCode, 1u);
  EXPECT_NE(failing.out.find("no button 'Nowhere'"), std::string::npos) << failing.out;

  EXPECT_EQ(RunDriver(L"").exitCode, 2u);
}

TEST(GuiDriverCommandLine, PrintsEachBoxOnOneLine) {
  TempDir dir;  // no data.z: the loader's one box
  const Outcome missing = RunDriver(L"start " + Quoted(SetupExe()) + L" " + Quoted(dir.Path()) + L" answer OK wait");
  EXPECT_EQ(missing.exitCode, 0u) << missing.out;
  EXPECT_EQ(missing.out, "dialog: Error: Can not open file data.z\nexit code: 0\n");
}

}  // namespace
