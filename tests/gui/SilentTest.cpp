// setup.exe and its uninstaller run with /S, as deployment tools run them:
// no window appears (the driver watches the screen throughout), the exit
// code tells the outcome, and the log holds a line for each step and the
// text of every box that would have been shown. Each test runs in its own
// copy of the Wine prefix, on a display of its own (tests/wine-run-copy.sh.in).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "InstallSupport.h"
#include "SetupRun.h"

using namespace GuiDriver;

namespace {

const std::string ProgramFiles = "C:\\Program Files";
const std::string Product = "QuorvixForge";
const std::string RecordKey = "Software\\QuorvixForge";
const std::string EntryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuorvixForge 1.0";

PackageBuilder ProductPackage() {
  PackageBuilder p("QuorvixForge.exe", "Quorvix Forge 1.0", Product);
  p.Dir("1.0");
  p.Dir("MANUAL").Dir("English").File("manual.pdf", "%PDF English").Leave();
  p.Dir("Russian").File("manual.pdf", "%PDF Russian").Leave().Leave();
  p.Dir("samples").File("cube.qvx", std::string(3000, 'c')).Leave();
  p.File("QuorvixForge.exe", "MZ" + std::string(500, '\0'));
  p.Leave();
  return p;
}

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size()),
                                        nullptr, nullptr)));
  return out;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string StringValue(const std::string& key, const char* name) {
  char data[1024] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

// The paths of a tree, without the contents: what a failure prints stays short.
std::vector<std::string> Names(const std::map<std::string, std::string>& tree) {
  std::vector<std::string> names;
  for (const auto& entry : tree) names.push_back(entry.first);
  return names;
}

bool KeyExists(const std::string& key) { return RegistryKeyOpenResult("HKEY_CURRENT_USER\\" + key) == ERROR_SUCCESS; }

// What one silent run showed, said and ended with.
struct SilentOutcome {
  DWORD ExitCode = 999;
  std::vector<std::wstring> WindowsSeen;  // any window that appeared meanwhile, of any process
  std::string Log;                        // UTF-8, as written
};

// Runs `exe` in `folder` with `arguments`, where {log} stands for the switch
// that puts the log in the folder; the screen is watched from before the
// start until `alsoDone` holds after the end.
SilentOutcome RunSilently(const std::wstring& exe, const std::wstring& folder, const std::wstring& arguments,
                          const std::function<bool()>& alsoDone = nullptr) {
  SilentOutcome outcome;
  const std::wstring log = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"silent run.log";
  DeleteFileW(log.c_str());
  WindowWatch watch;
  {
    std::wstring line = arguments;
    line.replace(line.find(L"{log}"), 5, L"\"/LOG=" + log + L"\"");
    Process program(exe, folder, -1, line);
    EXPECT_TRUE(program.Started());
    EXPECT_TRUE(program.WaitForExit(&outcome.ExitCode));
  }
  if (alsoDone) {
    EXPECT_TRUE(WaitUntil(alsoDone));
  }
  outcome.WindowsSeen = watch.Stop();
  GuiDriver::ReadFile(log, outcome.Log);
  return outcome;
}

// setup.exe /S beside a data.z holding `package`.
struct SilentSetup {
  explicit SilentSetup(const std::string& package) { EXPECT_TRUE(Dir.WriteFile(L"data.z", package)); }
  SilentOutcome Run(const std::wstring& arguments) { return RunSilently(SetupExe(), Dir.Path(), arguments); }
  TempDir Dir;
};

bool Holds(const std::string& log, const std::wstring& text) { return log.find(Utf8(text)) != std::string::npos; }

std::string Joined(const std::vector<std::wstring>& windows) {
  std::string text;
  for (const std::wstring& window : windows) text += "\n  " + Utf8(window);
  return text;
}

TEST(Silent, InstallsAndRemovesWithNoWindowAndLogsWhatTheBoxesWouldHaveSaid) {
  const PackageBuilder package = ProductPackage();
  const std::string versionFolder = ProgramFiles + "\\" + Product + "\\1.0";
  const std::vector<std::string> programFilesBefore = Names(ReadTree(ProgramFiles));

  SilentSetup setup(package.Bytes());
  const SilentOutcome install = setup.Run(L"/S {log}");
  EXPECT_EQ(install.ExitCode, 0u) << install.Log;
  EXPECT_TRUE(install.WindowsSeen.empty()) << Joined(install.WindowsSeen);
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_EQ(StringValue(RecordKey + "\\General", "Language"), "E");
  EXPECT_EQ(StringValue(EntryKey, "UninstallString"), "\"" + versionFolder + "\\uninstall.exe\" /remove");
  EXPECT_TRUE(Holds(install.Log, L"Information: The installation of Quorvix Forge 1.0 was finished successfully!"
                                 L"\r\n\r\nStart menu item: Programs\\QuorvixForge\\1.0\\QuorvixForge\r\n"))
      << install.Log;
  EXPECT_TRUE(Holds(install.Log, L"\r\nExit code: 0\r\n")) << install.Log;

  const std::string uninstaller = versionFolder + "\\uninstall.exe";
  // Watched until the cleanup copy has deleted the uninstaller: it must show nothing either.
  const SilentOutcome removal = RunSilently(Wide(uninstaller), L"C:\\", L"/remove /S {log}",
                                            [&] { return !FileExists(uninstaller); });
  EXPECT_EQ(removal.ExitCode, 0u) << removal.Log;
  EXPECT_TRUE(removal.WindowsSeen.empty()) << Joined(removal.WindowsSeen);
  EXPECT_EQ(Names(ReadTree(ProgramFiles)), programFilesBefore);
  EXPECT_FALSE(KeyExists(RecordKey));
  EXPECT_FALSE(KeyExists(EntryKey));
  EXPECT_TRUE(Holds(removal.Log, L"Confirm: Remove Quorvix Forge 1.0 and all of its components?\r\nAnswered: Yes\r\n"))
      << removal.Log;
  EXPECT_TRUE(Holds(removal.Log, L"Information: Quorvix Forge 1.0 was removed.\r\n")) << removal.Log;
}

TEST(Silent, InstallsIntoADestinationWithSpacesInTheLanguageGiven) {
  const std::string destination = ProgramFiles + "\\My Apps";
  ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
  const PackageBuilder package = ProductPackage();

  SilentSetup setup(package.Bytes());
  // As deployment tools pass it: last, unquoted, spaces and all.
  const SilentOutcome install = setup.Run(L"{log} /LANG=ru /S /D=" + Wide(destination));
  EXPECT_EQ(install.ExitCode, 0u) << install.Log;
  EXPECT_TRUE(install.WindowsSeen.empty()) << Joined(install.WindowsSeen);
  EXPECT_EQ(ProductTree(destination + "\\" + Product), package.Tree());
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  EXPECT_EQ(StringValue(RecordKey + "\\General", "Language"), "R");
  EXPECT_EQ(StringValue(RecordKey + "\\Versions\\1.0", "Destination folder"), destination + "\\" + Product + "\\1.0");
  EXPECT_TRUE(Holds(install.Log, L"Information: Инсталляция Quorvix Forge 1.0 была завершена успешно!")) << install.Log;
}

// ---- Exit codes

TEST(SilentExitCode, ADamagedPackageGives1620AndInstallsNothing) {
  const std::vector<std::string> before = Names(ReadTree(ProgramFiles));
  const std::string whole = ProductPackage().Bytes();
  SilentSetup setup(whole.substr(0, whole.size() - 100));
  const SilentOutcome install = setup.Run(L"/S {log}");
  EXPECT_EQ(install.ExitCode, 1620u) << install.Log;
  EXPECT_TRUE(install.WindowsSeen.empty()) << Joined(install.WindowsSeen);
  EXPECT_EQ(Names(ReadTree(ProgramFiles)), before);
  EXPECT_FALSE(KeyExists(RecordKey));
  EXPECT_TRUE(Holds(install.Log, L"Error: Bad format of file: \"data.z\"\r\n")) << install.Log;
}

TEST(SilentExitCode, ABadSwitchGives1639AndShowsAndInstallsNothing) {
  const std::vector<std::string> before = Names(ReadTree(ProgramFiles));
  SilentSetup setup(ProductPackage().Bytes());
  struct Case {
    const wchar_t* arguments;
    const wchar_t* logged;
  };
  const Case cases[] = {
      {L"{log} /S /Q", L"Bad argument: unknown argument: /Q\r\n"},
      {L"/S /LANG=de {log}", L"Bad argument: /LANG= names no language of this setup program: de\r\n"},
      // The window reads no command line: its settings without /S are refused, not shown.
      {L"{log} /LANG=ru", L"Bad argument: /D=, /LANG= and /LOG= are switches of a silent run: they need /S\r\n"},
  };
  for (const Case& c : cases) {
    const SilentOutcome run = setup.Run(c.arguments);
    EXPECT_EQ(run.ExitCode, 1639u) << Utf8(c.arguments);
    EXPECT_TRUE(run.WindowsSeen.empty()) << Utf8(c.arguments) << Joined(run.WindowsSeen);
    EXPECT_TRUE(Holds(run.Log, c.logged)) << run.Log;
  }
  EXPECT_EQ(Names(ReadTree(ProgramFiles)), before);
  EXPECT_FALSE(KeyExists(RecordKey));
}

TEST(SilentExitCode, ALogThatIsAnotherNameOfAFileGives1622AndWritesNothing) {
  // A user who may write where the log goes plants another name of a file
  // they may not write: the run would write into it with its own rights.
  SilentSetup setup(ProductPackage().Bytes());
  ASSERT_TRUE(setup.Dir.WriteFile(L"precious.txt", "keep"));
  ASSERT_TRUE(CreateHardLinkW(setup.Dir.File(L"setup.log").c_str(), setup.Dir.File(L"precious.txt").c_str(), nullptr));
  WindowWatch watch;
  DWORD code = 0;
  {
    Process program(SetupExe(), setup.Dir.Path(), -1, L"/S \"/LOG=" + setup.Dir.File(L"setup.log") + L"\"");
    EXPECT_TRUE(program.WaitForExit(&code));
  }
  EXPECT_EQ(code, 1622u);
  const std::vector<std::wstring> seen = watch.Stop();
  EXPECT_TRUE(seen.empty()) << Joined(seen);
  std::string kept;
  EXPECT_TRUE(GuiDriver::ReadFile(setup.Dir.File(L"precious.txt"), kept));
  EXPECT_EQ(kept, "keep");
  EXPECT_FALSE(KeyExists(RecordKey));
}

TEST(SilentExitCode, AFullDiskGives1603AndTakesTheInstallBack) {
  // A 1 MiB drive E: when the machine allowed mounting one (see wine-run-copy.sh).
  if (!FolderExists("E:\\")) GTEST_SKIP() << "no small drive E: here (mounting a tmpfs was refused)";
  ASSERT_TRUE(CreateDirectoryA("E:\\Apps", nullptr));
  PackageBuilder package("QuorvixForge.exe", "Quorvix Forge 1.0", Product);
  package.Dir("1.0").File("small.txt", "fits").File("large.bin", std::string(2 << 20, 'L')).File("QuorvixForge.exe", "MZ");
  package.Leave();

  SilentSetup setup(package.Bytes());
  const SilentOutcome install = setup.Run(L"/S {log} /D=E:\\Apps");
  EXPECT_EQ(install.ExitCode, 1603u) << install.Log;
  EXPECT_TRUE(install.WindowsSeen.empty()) << Joined(install.WindowsSeen);
  EXPECT_EQ(ReadTree("E:"), (std::map<std::string, std::string>{{"Apps\\", ""}}));
  EXPECT_FALSE(KeyExists(RecordKey));
  EXPECT_FALSE(KeyExists(EntryKey));
  EXPECT_TRUE(Holds(install.Log, L"Error: Disk full.\r\nTaking back what this run created\r\nTaken back\r\n"))
      << install.Log;
}

TEST(SilentExitCode, ASecondRunOfTheProductGives1618InBothModes) {
  const PackageBuilder package = ProductPackage();
  const std::string uninstaller = ProgramFiles + "\\" + Product + "\\1.0\\uninstall.exe";
  ASSERT_EQ(SilentSetup(package.Bytes()).Run(L"/S {log}").ExitCode, 0u);
  const std::vector<std::string> installed = Names(ReadTree(ProgramFiles));
  {
    SetupTest::SetupRun first(package.Bytes());
    ASSERT_TRUE(first.WaitForMaximizedWindow()) << "no setup window";

    SilentSetup silent(package.Bytes());
    const SilentOutcome second = silent.Run(L"/S {log}");
    EXPECT_EQ(second.ExitCode, 1618u) << second.Log;
    EXPECT_TRUE(second.WindowsSeen.empty()) << Joined(second.WindowsSeen);
    EXPECT_TRUE(Holds(second.Log, L"Another setup of QuorvixForge is running\r\n")) << second.Log;

    // A second window of the product shows nothing: the first one is there to use.
    WindowWatch watch;
    SetupTest::SetupRun another(package.Bytes());
    DWORD code = 0;
    EXPECT_TRUE(another.Program->WaitForExit(&code));
    EXPECT_EQ(code, 1618u);
    const std::vector<std::wstring> seen = watch.Stop();
    EXPECT_TRUE(seen.empty()) << Joined(seen);
    EXPECT_TRUE(first.Program->Running());

    // Nor is the product removed meanwhile.
    const SilentOutcome removal = RunSilently(Wide(uninstaller), L"C:\\", L"/remove /S {log}");
    EXPECT_EQ(removal.ExitCode, 1618u) << removal.Log;
    EXPECT_EQ(Names(ReadTree(ProgramFiles)), installed);
  }
  // Once the first one has ended (here: killed, its lock abandoned), the product is free again.
  const SilentOutcome removal =
      RunSilently(Wide(uninstaller), L"C:\\", L"/remove /S {log}", [&] { return !FileExists(uninstaller); });
  EXPECT_EQ(removal.ExitCode, 0u) << removal.Log;
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
}

}  // namespace
