// unpackcli, as the round-trip tests and the benchmark run it: its exit
// codes, the texts it prints and the tree it writes.
#include <windows.h>

#include "Handle.h"
#include "Sha256.h"
#include "TestDirectory.h"

namespace {

struct Outcome {
  DWORD exitCode = DWORD(-1);
  std::string output;  // stdout and stderr together
};

// Runs unpackcli with the arguments in the test's directory.
Outcome RunUnpackCli(const std::string& arguments, const std::string& directory) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  Outcome outcome;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return outcome;
  THandle reader(readEnd);
  THandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  std::string commandLine = "unpackcli.exe " + arguments;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(UNPACKCLI_PATH, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                      &startup, &process))
    return outcome;
  THandle child(process.hProcess);
  THandle thread(process.hThread);
  writer.Reset();  // so that the read ends with the child

  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) outcome.output.append(buffer, got);
  WaitForSingleObject(child.Get(), INFINITE);
  GetExitCodeProcess(child.Get(), &outcome.exitCode);
  return outcome;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

class UnpackCli : public TestDirectory {};

TEST_F(UnpackCli, ExtractsIntoANewFolderAndSaysWhereTheKeyWent) {
  WriteBytes("data.z", WorkedExample());
  const Outcome run = RunUnpackCli("data.z out", Dir);
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_EQ(TreeOf(PathOf("out")), (std::vector<std::string>{"1.0\\", "1.0\\demo.exe", "1.0\\doc\\", "1.0\\doc\\readme.txt"}));
  EXPECT_EQ(ReadBytes(PathOf("out\\1.0\\demo.exe")), DemoExeData());
  EXPECT_TRUE(Contains(run.output, "KeyFilePath: " + PathOf("out\\1.0\\demo.exe"))) << run.output;
}

TEST_F(UnpackCli, ExitCodesAndMessages) {
  WriteBytes(Target() + "\\1.0", "a file in the way");
  WriteBytes("nokey.z", DemoHeader() + DirRecord("1.0") + LeaveRecord());
  WriteBytes("hostile.z", DemoHeader() + FileRecord("..\\demo.exe", "x"));
  WriteBytes("data.z", WorkedExample());
  TSha256 sha;
  sha.Add(WorkedExample().data(), WorkedExample().size());
  const std::string pin = "--pin " + DigestText(sha.Finish()) + " ";
  const std::string otherPin = "--pin " + std::string(64, 'a') + " ";
  const struct {
    std::string arguments;
    DWORD exitCode;
    const char* output;  // a part of what it prints
  } cases[] = {
      {"", 2, "usage: unpackcli [--piece-size BYTES] [--pin SHA256] PACKAGE TARGETDIR"},
      {"data.z", 2, "usage"},
      {"--piece-size 0 data.z out", 2, "usage"},
      {"--piece-size 4k data.z out", 2, "usage"},
      {"--piece-size 5 data.z pieces", 0, "\\pieces\\1.0\\demo.exe"},
      {"--pin 0123 data.z out", 2, "usage"},
      {"--pin " + std::string(64, 'g') + " data.z out", 2, "usage"},
      {"--pin data.z out", 2, "usage"},
      {pin + "--piece-size 5 data.z pinned", 0, "\\pinned\\1.0\\demo.exe"},
      {otherPin + "data.z out", 1, "The package \"data.z\" does not belong to this setup program."},
      {"missing.z out", 1, "Can not open file missing.z"},
      {"nokey.z out", 1, "Internal error.\nFile : demo.exe not present!"},
      {"hostile.z out", 1, "Bad format of file: \"hostile.z\"\nfile record with name climbing"},
      {"data.z target", 1, "I/O error 183"},
  };
  for (const auto& c : cases) {
    const Outcome run = RunUnpackCli(c.arguments, Dir);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.output;
    EXPECT_TRUE(Contains(run.output, c.output)) << c.arguments << ": " << run.output;
  }
  EXPECT_EQ(ReadBytes(Dir + "\\demo.exe"), "<missing>");
  EXPECT_EQ(ReadBytes(PathOf("pieces\\1.0\\demo.exe")), DemoExeData());
  EXPECT_EQ(ReadBytes(PathOf("pinned\\1.0\\demo.exe")), DemoExeData());
}
