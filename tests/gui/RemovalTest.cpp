// Removal of an installed product through the real programs: setup.exe
// installs, Wine's own list of programs (uninstaller.exe) shows the entry
// and starts its uninstaller, as Windows' Apps page does. Each test runs in
// its own copy of the Wine prefix (see tests/wine-run-copy.sh.in).
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ControlIds.h"
#include "GuiDriver.h"
#include "InstallSupport.h"
#include "ProductSettings.h"
#include "SetupRun.h"
#include "UnixSide.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

const std::string ProgramFiles = "C:\\Program Files";
const std::string ProductFolder = ProgramFiles + "\\QuorvixForge";
const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string RecordKey = "Software\\QuorvixForge";

std::string VersionFolder(const std::string& version = "1.0") { return ProductFolder + "\\" + version; }
std::string EntryName(const std::string& version = "1.0") { return "QuorvixForge " + version; }
std::string Title(const std::string& version = "1.0") { return "Quorvix Forge " + version; }
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A small product: both manuals, a nested folder, the main program.
// `more` adds records inside the version folder after the others.
PackageBuilder ProductPackage(const std::string& version = "1.0",
                              const std::function<void(PackageBuilder&)>& more = nullptr) {
  PackageBuilder p("QuorvixForge.exe", Title(version), "QuorvixForge");
  p.Dir(version);
  p.Dir("MANUAL").Dir("English").File("manual.pdf", "%PDF English").Leave();
  p.Dir("Russian").File("manual.pdf", "%PDF Russian").Leave().Leave();
  p.Dir("samples").File("cube.qvx", std::string(3000, 'c')).Leave();
  p.File("QuorvixForge.exe", "MZ" + std::string(500, '\0') + version);
  if (more) more(p);
  p.Leave();
  return p;
}

// Installs through setup.exe in the language given, answering every box;
// `inWindow` looks at the window first.
void Install(const PackageBuilder& package, int language = 0, const std::function<void(HWND)>& inWindow = nullptr) {
  SetupRun run(package.Bytes());
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_TRUE(window) << "no setup window";
  if (inWindow) inWindow(window);
  if (language != 0) {
    ASSERT_TRUE(SelectComboItem(FindControlById(window, LanguageComboBoxId), language));
  }
  HWND start = FindControlById(window, StartButtonId);
  ASSERT_TRUE(WaitUntil([&] { return Enabled(start); }) && Click(start));
  std::vector<Dialog> boxes;
  while (HWND box = run.Program->WaitForDialog()) {
    boxes.push_back(ReadDialog(box));
    if (!AnswerDialog(box, L"OK")) break;
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
  }
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  ASSERT_EQ(code, 0u);
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(boxes[0].Caption, L"Information") << boxes[0].Text;
}

// What a removal may change: Program Files, the Start menu's programs and
// the user's keys under Software (Wine's own settings left out: Wine writes
// them as programs start).
struct Snapshot {
  std::map<std::string, std::string> Programs, Menu;
  RegistryTree Software;
  bool operator==(const Snapshot& other) const {
    return Programs == other.Programs && Menu == other.Menu && Software == other.Software;
  }
};

std::ostream& operator<<(std::ostream& out, const std::map<std::string, std::string>& tree) {
  for (const auto& entry : tree) out << "\n  " << entry.first;
  return out;
}

std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
  out << "Program Files:" << s.Programs << "\nStart menu:" << s.Menu << "\nkeys:";
  for (const auto& entry : s.Software) out << "\n  " << entry.first;
  return out;
}

Snapshot TakeSnapshot() {
  Snapshot s{ReadTree(ProgramFiles), ReadTree(StartMenuPrograms()), ExportRegistry("HKEY_CURRENT_USER\\Software")};
  for (auto key = s.Software.begin(); key != s.Software.end();)
    key = key->first.compare(0, 4, "Wine") == 0 ? s.Software.erase(key) : std::next(key);
  return s;
}

// Whether the key exists; an answer that says neither (access denied, say)
// throws, so that no failure to look reads as the key's absence.
bool KeyExists(const std::string& key) {
  const LONG result = RegistryKeyOpenResult("HKEY_CURRENT_USER\\" + key);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    throw std::runtime_error("cannot tell whether " + key + " exists: error " + std::to_string(result));
  return result == ERROR_SUCCESS;
}

// A visible box of any process: the uninstaller runs as a child of Wine's
// list of programs, not of the test. (A callback of its own: a lambda does
// not convert to the 32-bit system's calling convention.)
BOOL CALLBACK NoteVisibleDialog(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || !IsDialog(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND FindAnyDialog() {
  HWND found = nullptr;
  EnumWindows(NoteVisibleDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindProgressBar() {
  HWND window = FindWindowW(L"TRemovalForm", nullptr);
  return window ? FindWindowExW(window, nullptr, L"msctls_progress32", nullptr) : nullptr;
}

// What one removal showed and how it ended.
struct RemovalOutcome {
  std::vector<Dialog> Boxes;
  int ProgressAtLastBox = -1;  // of 1000; -1 when no progress window was up
  DWORD ExitCode = 999;
  bool Ended = false;
};

// Answers the uninstaller's boxes: the question with `answer`, every box
// with OK alone OK, until the uninstaller has ended.
RemovalOutcome AnswerRemoval(const std::wstring& answer) {
  RemovalOutcome outcome;
  HANDLE process = nullptr;
  const auto ended = [&] { return process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0; };
  for (;;) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindAnyDialog()) != nullptr || ended(); });
    if (!box) break;
    outcome.Boxes.push_back(ReadDialog(box));
    if (!process) {
      DWORD id = 0;
      GetWindowThreadProcessId(box, &id);
      process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    }
    HWND bar = FindProgressBar();
    outcome.ProgressAtLastBox = bar ? ProgressPosition(bar) : -1;
    if (!AnswerDialog(box, outcome.Boxes.back().Buttons.size() > 1 ? answer : L"OK")) break;
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
  }
  if (process) {
    outcome.Ended = WaitForSingleObject(process, DefaultTimeout) == WAIT_OBJECT_0;
    GetExitCodeProcess(process, &outcome.ExitCode);
    CloseHandle(process);
  }
  return outcome;
}

// Removal as Windows' list of programs starts it: `uninstaller --remove KEY`.
RemovalOutcome RemoveThroughList(const std::string& version = "1.0", const std::wstring& answer = L"Yes") {
  Process list(L"C:\\windows\\system32\\uninstaller.exe", L"C:\\", -1, L"--remove \"" + Wide(EntryName(version)) + L"\"");
  EXPECT_TRUE(list.Started());
  RemovalOutcome outcome = AnswerRemoval(answer);
  DWORD code = 0;
  EXPECT_TRUE(list.WaitForExit(&code));
  return outcome;
}

// The uninstaller started by its path, as a user may start it from its folder.
RemovalOutcome RemoveDirectly(const std::string& uninstaller, const std::wstring& answer = L"Yes") {
  Process program(Wide(uninstaller), L"C:\\", -1, L"/remove");
  EXPECT_TRUE(program.Started());
  return AnswerRemoval(answer);
}

// Once the uninstaller has ended, its copy in the temporary folder deletes it.
bool UninstallerGoneFrom(const std::string& folder) {
  return WaitUntil([&] { return !FileExists(folder + "\\uninstall.exe"); });
}
bool UninstallerGone(const std::string& version = "1.0") { return UninstallerGoneFrom(VersionFolder(version)); }

// The folders the cleanup copies were started from: elevated, in the
// system's temporary folder, each the copy's own.
std::vector<std::string> CleanupCopyFolders() {
  std::vector<std::string> folders;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA("C:\\windows\\temp\\rmv*", &found);
  if (search == INVALID_HANDLE_VALUE) return folders;
  do folders.push_back(std::string("C:\\windows\\temp\\") + found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return folders;
}

// The DACL of a folder in the system's text (Wine reads it back from the
// Unix permissions it keeps it as: Everyone's entry is other users').
std::wstring DaclText(const std::string& folder) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                            &sd) != ERROR_SUCCESS)
    return L"<unreadable>";
  LPWSTR text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
  const std::wstring dacl = text ? text : L"<unreadable>";
  LocalFree(text);
  LocalFree(sd);
  return dacl;
}

// Wine's list of programs, as `uninstaller --list` prints it. Throws when
// the list cannot be had: an empty list is a list that was read.
std::string ListedPrograms() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "uninstaller-list.txt";
  DeleteFileA(file.c_str());
  std::string commandLine = "cmd.exe /c uninstaller.exe --list > \"" + file + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    throw std::runtime_error("cannot run " + commandLine);
  const bool ended = WaitForSingleObject(process.hProcess, DefaultTimeout) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended || code != 0)
    throw std::runtime_error(commandLine + (ended ? " ended with " + std::to_string(code) : " did not end"));
  if (!FileExists(file)) throw std::runtime_error(commandLine + " wrote no " + file);
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string StringValue(const std::string& key, const char* name) {
  char data[1024] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

DWORD NumberValue(const std::string& key, const char* name) {
  DWORD data = 0, size = sizeof data;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
    return 0xFFFFFFFF;
  return data;
}

std::string Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[16];
  wsprintfA(text, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

// ---- Install, the entry, and removal from the list, in each language

struct LanguageCase {
  const char* name;
  int language;
  const char* homePage;
  std::wstring question, removed;
};

std::ostream& operator<<(std::ostream& out, const LanguageCase& c) { return out << c.name; }

class RemovalFromList : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(RemovalFromList, EntryListedThenEverythingRemoved) {
  const LanguageCase& c = GetParam();
  const Snapshot before = TakeSnapshot();
  const PackageBuilder package = ProductPackage();
  Install(package, c.language);

  EXPECT_NE(ListedPrograms().find(EntryName() + "|||" + Title()), std::string::npos) << ListedPrograms();
  const std::string entry = UninstallKey + EntryName();
  const std::string uninstaller = VersionFolder() + "\\uninstall.exe";
  const std::pair<const char*, std::string> values[] = {
      {"DisplayName", Title()},
      {"DisplayVersion", "1.0"},
      {"Publisher", PRODUCT_COMPANY},
      {"InstallLocation", VersionFolder()},
      {"DisplayIcon", VersionFolder() + "\\QuorvixForge.exe"},
      {"UninstallString", "\"" + uninstaller + "\" /remove"},
      {"URLInfoAbout", c.homePage},
      {"InstallDate", Today()},
  };
  for (const auto& [name, value] : values) EXPECT_EQ(StringValue(entry, name), value) << name;
  EXPECT_EQ(NumberValue(entry, "NoModify"), 1u);
  EXPECT_EQ(NumberValue(entry, "NoRepair"), 1u);
  // The product's files and the uninstaller, in kilobytes rounded up.
  size_t bytes = 0;
  for (const auto& file : package.Tree()) bytes += file.second.size();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(uninstaller.c_str(), GetFileExInfoStandard, &data));
  bytes += data.nFileSizeLow;
  EXPECT_EQ(NumberValue(entry, "EstimatedSize"), DWORD((bytes + 1023) / 1024));

  const RemovalOutcome removal = RemoveThroughList();
  ASSERT_EQ(removal.Boxes.size(), 2u);
  EXPECT_EQ(removal.Boxes[0].Caption, L"Confirm");
  EXPECT_EQ(removal.Boxes[0].Text, c.question);
  EXPECT_EQ(removal.Boxes[1].Caption, L"Information");
  EXPECT_EQ(removal.Boxes[1].Text, c.removed);
  EXPECT_EQ(removal.ProgressAtLastBox, 1000);
  EXPECT_TRUE(removal.Ended);
  EXPECT_EQ(removal.ExitCode, 0u);

  ASSERT_TRUE(UninstallerGone());
  EXPECT_TRUE(WaitUntil([] { return !FolderExists(ProductFolder); }));
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(ListedPrograms().find(EntryName()), std::string::npos);
  // The copy that deleted the uninstaller: in a folder of its own that no
  // other user may read or change (it stays until the next restart).
  const std::vector<std::string> copies = CleanupCopyFolders();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(FileExists(copies[0] + "\\cleanup.exe"));
  EXPECT_EQ(DaclText(copies[0]).find(L";;;WD)"), std::wstring::npos) << DaclText(copies[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, RemovalFromList,
    ::testing::Values(LanguageCase{"English", 0, PRODUCT_HOME_PAGE_ENGLISH,
                                   L"Remove Quorvix Forge 1.0 and all of its components?",
                                   L"Quorvix Forge 1.0 was removed."},
                      LanguageCase{"Russian", 1, PRODUCT_HOME_PAGE_RUSSIAN,
                                   L"Удалить Quorvix Forge 1.0 и все его компоненты?", L"Quorvix Forge 1.0 удалён."}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) { return std::string(info.param.name); });

// ---- What removal leaves

TEST(Removal, NoAtTheQuestionChangesNothing) {
  Install(ProductPackage());
  const Snapshot installed = TakeSnapshot();
  const RemovalOutcome removal = RemoveThroughList("1.0", L"No");
  ASSERT_EQ(removal.Boxes.size(), 1u);
  EXPECT_EQ(removal.ExitCode, 1u);
  EXPECT_EQ(TakeSnapshot(), installed);
}

TEST(Removal, KeepsWhatTheUserAddedAndNamesAFileInUse) {
  const Snapshot before = TakeSnapshot();
  Install(ProductPackage());
  const std::string version = VersionFolder();
  ASSERT_TRUE(CreateDirectoryA((version + "\\samples\\mine").c_str(), nullptr));
  WriteFileBytes(version + "\\samples\\mine\\notes.txt", "mine");
  WriteFileBytes(version + "\\MANUAL\\English\\remarks.txt", "mine too");
  const std::string held = version + "\\MANUAL\\Russian\\manual.pdf";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);

  const RemovalOutcome first = RemoveThroughList();
  CloseHandle(file);
  ASSERT_EQ(first.Boxes.size(), 2u);
  EXPECT_EQ(first.Boxes[1].Caption, L"Error");
  EXPECT_EQ(first.Boxes[1].Text,
            L"Quorvix Forge 1.0 was not removed completely. Items that could not be removed: 1. The first:\r\n" +
                Wide(held));
  EXPECT_EQ(first.ExitCode, 2u);
  // Everything else is gone; the record, the entry and the uninstaller stay for another try.
  const std::map<std::string, std::string> left{{"1.0\\", ""},
                                                {"1.0\\MANUAL\\", ""},
                                                {"1.0\\MANUAL\\English\\", ""},
                                                {"1.0\\MANUAL\\English\\remarks.txt", "mine too"},
                                                {"1.0\\MANUAL\\Russian\\", ""},
                                                {"1.0\\MANUAL\\Russian\\manual.pdf", "%PDF Russian"},
                                                {"1.0\\samples\\", ""},
                                                {"1.0\\samples\\mine\\", ""},
                                                {"1.0\\samples\\mine\\notes.txt", "mine"}};
  std::map<std::string, std::string> tree = ReadTree(ProductFolder);
  EXPECT_TRUE(tree.erase("1.0\\uninstall.exe") && tree.erase("1.0\\uninstall.dat"));
  EXPECT_EQ(tree, left);
  EXPECT_FALSE(FolderExists(StartMenuPrograms() + "\\QuorvixForge"));
  EXPECT_TRUE(KeyExists(UninstallKey + EntryName()));

  const RemovalOutcome second = RemoveThroughList();
  ASSERT_EQ(second.Boxes.size(), 2u);
  EXPECT_EQ(second.Boxes[1].Caption, L"Information");
  EXPECT_EQ(second.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGone());
  // What the user added stays, with every folder above it; nothing else does.
  Snapshot expected = before;
  expected.Programs["QuorvixForge\\"] = "";
  for (const auto& [name, data] : left)
    if (name.compare(0, 18, "1.0\\MANUAL\\Russian") != 0) expected.Programs["QuorvixForge\\" + name] = data;
  EXPECT_EQ(TakeSnapshot(), expected);
}

TEST(Removal, AFileThatWasThereBeforeStaysAsTheInstallLeftIt) {
  const std::string english = VersionFolder() + "\\MANUAL\\English";
  for (const std::string& folder : {ProductFolder, VersionFolder(), VersionFolder() + "\\MANUAL", english})
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  WriteFileBytes(english + "\\manual.pdf", "an older manual");
  Snapshot expected = TakeSnapshot();
  expected.Programs.at("QuorvixForge\\1.0\\MANUAL\\English\\manual.pdf") = "%PDF English";

  Install(ProductPackage());
  const RemovalOutcome removal = RemoveThroughList();
  EXPECT_EQ(removal.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGone());
  EXPECT_EQ(TakeSnapshot(), expected);
}

// ---- Links put in place of what was installed, as another local user
// could: the removal deletes nothing where they lead, names what it left
// and says that something was.

struct PlantedLinkCase {
  const char* name;
  std::function<std::string()> replaced;  // the installed item made a link to C:\Elsewhere
};

std::ostream& operator<<(std::ostream& out, const PlantedLinkCase& c) { return out << c.name; }

class LinkPlantedAfterInstall : public ::testing::TestWithParam<PlantedLinkCase> {};

// Whether `path` resolves to an item in `folder`: the link still leads there.
bool LeadsInto(const std::string& path, const std::string& folder) {
  const HANDLE item = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (item == INVALID_HANDLE_VALUE) return false;
  char final[MAX_PATH * 2] = "";
  const DWORD length = GetFinalPathNameByHandleA(item, final, sizeof final, FILE_NAME_NORMALIZED);
  CloseHandle(item);
  const std::string resolved(final, length < sizeof final ? length : 0), prefix = "\\\\?\\" + folder + "\\";
  return resolved.size() > prefix.size() && _strnicmp(resolved.c_str(), prefix.c_str(), prefix.size()) == 0;
}

TEST_P(LinkPlantedAfterInstall, RemovesNothingWhereItLeads) {
  Install(ProductPackage());
  const std::string replaced = GetParam().replaced(), elsewhere = "C:\\Elsewhere";
  // What was there goes where the link leads, so that the names the
  // removal looks for are all there to be removed.
  const std::string target = elsewhere + replaced.substr(replaced.rfind('\\'));
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(MoveFileA(replaced.c_str(), target.c_str())) << replaced;
  if (!UnixSide::MakeUnixLink(target, replaced)) GTEST_SKIP() << "no symbolic link can be made here";
  const std::map<std::string, std::string> outside = ReadTree(elsewhere);
  ASSERT_TRUE(LeadsInto(replaced, elsewhere));

  const RemovalOutcome removal = RemoveThroughList();
  ASSERT_EQ(removal.Boxes.size(), 2u);
  EXPECT_EQ(removal.Boxes[1].Caption, L"Error");
  EXPECT_NE(removal.Boxes[1].Text.find(L"was not removed completely"), std::wstring::npos) << removal.Boxes[1].Text;
  EXPECT_NE(removal.Boxes[1].Text.find(L"The first:\r\n" + Wide(replaced)), std::wstring::npos) << removal.Boxes[1].Text;
  EXPECT_EQ(removal.ExitCode, 2u);
  EXPECT_EQ(ReadTree(elsewhere), outside);
  EXPECT_TRUE(LeadsInto(replaced, elsewhere)) << "the link itself stays";
}

INSTANTIATE_TEST_SUITE_P(
    Items, LinkPlantedAfterInstall,
    ::testing::Values(PlantedLinkCase{"InstalledFile", [] { return VersionFolder() + "\\QuorvixForge.exe"; }},
                      PlantedLinkCase{"InstalledFolder", [] { return VersionFolder() + "\\samples"; }},
                      PlantedLinkCase{"VersionFolder", [] { return VersionFolder(); }},
                      PlantedLinkCase{"MenuVersionFolder", [] { return StartMenuPrograms() + "\\QuorvixForge\\1.0"; }}),
    [](const ::testing::TestParamInfo<PlantedLinkCase>& info) { return std::string(info.param.name); });

// A file the user put in place of one the install made is the user's now.
TEST(Removal, KeepsAFileTheUserReplaced) {
  Install(ProductPackage());
  const std::string program = VersionFolder() + "\\QuorvixForge.exe";
  // Put in its place as a program's update does. (Deleted first, its
  // number on a Linux volume could go to the new file at once; NTFS adds a
  // sequence number to a file's index, so there it never comes back.)
  WriteFileBytes(program + ".new", "the user's own build");
  ASSERT_TRUE(MoveFileExA((program + ".new").c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING));

  const RemovalOutcome removal = RemoveThroughList();
  ASSERT_EQ(removal.Boxes.size(), 2u);
  EXPECT_EQ(removal.Boxes[1].Text,
            L"Quorvix Forge 1.0 was not removed completely. Items that could not be removed: 1. The first:\r\n" +
                Wide(program));
  EXPECT_EQ(removal.ExitCode, 2u);
  EXPECT_EQ(ReadTree(VersionFolder()).at("QuorvixForge.exe"), "the user's own build");
  EXPECT_FALSE(FileExists(VersionFolder() + "\\samples\\cube.qvx"));
}

// ---- Versions side by side, and a reinstall

TEST(Removal, TwoVersionsSideBySideEachHaveTheirOwnEntry) {
  const Snapshot before = TakeSnapshot();
  Install(ProductPackage("1.0"));
  Install(ProductPackage("2.0"));
  const std::string listed = ListedPrograms();
  EXPECT_NE(listed.find(EntryName("1.0")), std::string::npos) << listed;
  EXPECT_NE(listed.find(EntryName("2.0")), std::string::npos) << listed;

  const RemovalOutcome first = RemoveThroughList("1.0");
  EXPECT_EQ(first.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGone("1.0"));
  EXPECT_TRUE(WaitUntil([] { return !FolderExists(VersionFolder("1.0")); }));
  EXPECT_TRUE(FileExists(VersionFolder("2.0") + "\\QuorvixForge.exe"));
  EXPECT_TRUE(FileExists(StartMenuPrograms() + "\\QuorvixForge\\2.0\\QuorvixForge.lnk"));
  EXPECT_FALSE(FolderExists(StartMenuPrograms() + "\\QuorvixForge\\1.0"));
  EXPECT_TRUE(KeyExists(RecordKey + "\\Versions\\2.0"));
  EXPECT_FALSE(KeyExists(RecordKey + "\\Versions\\1.0"));
  EXPECT_EQ(StringValue(RecordKey + "\\General", "Language"), "E");
  EXPECT_TRUE(KeyExists(UninstallKey + EntryName("2.0")));
  EXPECT_FALSE(KeyExists(UninstallKey + EntryName("1.0")));

  const RemovalOutcome second = RemoveThroughList("2.0");
  EXPECT_EQ(second.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGone("2.0"));
  EXPECT_TRUE(WaitUntil([] { return !FolderExists(ProductFolder); }));
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST(Removal, ReinstallKeepsOneEntryAndRemovesWhatBothRunsWrote) {
  const Snapshot before = TakeSnapshot();
  Install(ProductPackage("1.0", [](PackageBuilder& p) { p.File("first.txt", "first run"); }));
  Install(ProductPackage("1.0", [](PackageBuilder& p) { p.Dir("extras").File("second.txt", "second run").Leave(); }));
  const std::string listed = ListedPrograms();
  EXPECT_NE(listed.find(EntryName()), std::string::npos) << listed;
  EXPECT_EQ(listed.find(EntryName()), listed.rfind(EntryName())) << listed;
  EXPECT_TRUE(FileExists(VersionFolder() + "\\first.txt"));

  const RemovalOutcome removal = RemoveThroughList();
  EXPECT_EQ(removal.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGone());
  EXPECT_TRUE(WaitUntil([] { return !FolderExists(ProductFolder); }));
  EXPECT_EQ(TakeSnapshot(), before);
}

// ---- Records that are refused

struct RefusalCase {
  const char* name;
  // Changes the installed product (its record, mostly); gives the uninstaller to start.
  std::function<std::string()> spoil;
  const wchar_t* reason;  // a part of the refusal's text
};

std::ostream& operator<<(std::ostream& out, const RefusalCase& c) { return out << c.name; }

std::string RecordPath() { return VersionFolder() + "\\uninstall.dat"; }

std::string ReadRecord() {
  std::ifstream in(RecordPath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The record with `line` added before its end line, the count kept right.
std::string WithLine(const std::string& line) {
  std::string record = ReadRecord();
  const size_t end = record.rfind("End\t");
  const int count = std::stoi(record.substr(end + 4));
  return record.substr(0, end) + line + "\r\nEnd\t" + std::to_string(count + 1) + "\r\n";
}

std::string SpoiledRecord(const std::string& text) {
  WriteFileBytes(RecordPath(), text);
  return VersionFolder() + "\\uninstall.exe";
}

class RefusedRemoval : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedRemoval, RemovesNothing) {
  Install(ProductPackage());
  const std::string uninstaller = GetParam().spoil();
  const Snapshot spoiled = TakeSnapshot();
  const RemovalOutcome removal = RemoveDirectly(uninstaller);
  ASSERT_EQ(removal.Boxes.size(), 1u);
  EXPECT_EQ(removal.Boxes[0].Caption, L"Error");
  EXPECT_NE(removal.Boxes[0].Text.find(GetParam().reason), std::wstring::npos) << removal.Boxes[0].Text;
  EXPECT_NE(removal.Boxes[0].Text.find(L"Nothing was removed."), std::wstring::npos) << removal.Boxes[0].Text;
  EXPECT_EQ(removal.ExitCode, 3u);
  EXPECT_EQ(TakeSnapshot(), spoiled);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RefusedRemoval,
    ::testing::Values(
        RefusalCase{"CutShort", [] { std::string r = ReadRecord(); return SpoiledRecord(r.substr(0, r.size() / 2)); },
                    L"is damaged"},
        RefusalCase{"EndCountWrong", [] { std::string r = ReadRecord(); return SpoiledRecord(r.substr(0, r.rfind("End\t")) + "End\t3\r\n"); },
                    L"is damaged (it is cut short)"},
        RefusalCase{"UnknownKind", [] { return SpoiledRecord(WithLine("X\t-\tC:\\Program Files\\QuorvixForge\\1.0\\x")); },
                    L"is damaged"},
        RefusalCase{"FileOutside", [] { return SpoiledRecord(WithLine("F\t-\tC:\\windows\\win.ini")); },
                    L"C:\\windows\\win.ini"},
        RefusalCase{"ClimbsOut", [] { return SpoiledRecord(WithLine("F\t-\tC:\\Program Files\\QuorvixForge\\..\\Other\\a.txt")); },
                    L"not the product's own"},
        RefusalCase{"LinkOutsideTheMenuFolder", [] {
                      return SpoiledRecord(WithLine("L\t-\t" + StartMenuPrograms() + "\\Other\\x.lnk")); },
                    L"not the product's own"},
        RefusalCase{"KeyOutside", [] { return SpoiledRecord(WithLine("K\t-\tSoftware\\Wine")); }, L"Software\\Wine"},
        RefusalCase{"ProductFolderMoved", [] {
                      const std::string moved = ProgramFiles + "\\QuorvixForge moved";
                      MoveFileA(ProductFolder.c_str(), moved.c_str());
                      return moved + "\\1.0\\uninstall.exe"; },
                    L"moved or renamed"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// ---- What the user's own programs can change, an elevated removal does not trust

// The record without its Start-menu entries (links and folders).
std::string WithoutMenuEntries(const std::string& record) {
  std::string kept;
  int dropped = 0;
  for (size_t at = 0; at < record.size();) {
    const size_t end = record.find("\r\n", at) + 2;
    const std::string line = record.substr(at, end - at);
    if (line.compare(0, 2, "L\t") == 0 || line.compare(0, 2, "M\t") == 0)
      ++dropped;
    else
      kept += line;
    at = end;
  }
  const size_t end = kept.rfind("End\t");
  return kept.substr(0, end) + "End\t" + std::to_string(std::stoi(kept.substr(end + 4)) - dropped) + "\r\n";
}

// The record with its Start-menu folder header replaced and `line` added
// before its end line.
std::string WithMenu(const std::string& record, const std::string& menu, const std::string& line) {
  const size_t start = record.find("\r\nMenu\t") + 2, lineEnd = record.find("\r\n", start);
  const std::string changed = record.substr(0, start) + "Menu\t" + menu + record.substr(lineEnd);
  const size_t end = changed.rfind("End\t");
  return changed.substr(0, end) + line + "\r\nEnd\t" + std::to_string(std::stoi(changed.substr(end + 4)) + 1) + "\r\n";
}

const char Elsewhere[] = "C:\\Elsewhere";

void RedirectProgramsFolder(const std::string& folder) {
  const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  for (const auto& [key, type] : {std::pair{"User Shell Folders", REG_EXPAND_SZ}, std::pair{"Shell Folders", REG_SZ}})
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, (explorer + key).c_str(), "Programs", type, folder.c_str(),
                              DWORD(folder.size() + 1)),
              ERROR_SUCCESS);
}

struct UntrustedMenuCase {
  const char* name;
  // Changes the installed product's record as the user's programs could;
  // gives the file that must stay.
  std::function<std::string()> spoil;
};

std::ostream& operator<<(std::ostream& out, const UntrustedMenuCase& c) { return out << c.name; }

class UntrustedStartMenu : public ::testing::TestWithParam<UntrustedMenuCase> {};

TEST_P(UntrustedStartMenu, IsRefusedAndNothingIsRemoved) {
  Install(ProductPackage());
  const std::string kept = GetParam().spoil();
  ASSERT_TRUE(FileExists(kept));
  const Snapshot spoiled = TakeSnapshot();
  const RemovalOutcome removal = RemoveThroughList();
  ASSERT_EQ(removal.Boxes.size(), 1u);
  EXPECT_EQ(removal.Boxes[0].Caption, L"Error");
  EXPECT_NE(removal.Boxes[0].Text.find(L"is not the product's own"), std::wstring::npos) << removal.Boxes[0].Text;
  EXPECT_EQ(removal.ExitCode, 3u);
  EXPECT_TRUE(FileExists(kept));
  EXPECT_EQ(TakeSnapshot(), spoiled);
}

INSTANTIATE_TEST_SUITE_P(
    Records, UntrustedStartMenu,
    ::testing::Values(
        // The user's settings name another Programs folder, and the record a
        // file there as the product's link: the default Programs folder bounds it.
        UntrustedMenuCase{"ProgramsFolderRedirected", [] {
                            const std::string menu = std::string(Elsewhere) + "\\QuorvixForge";
                            const std::string victim = menu + "\\victim.lnk";
                            CreateDirectoryA(Elsewhere, nullptr);
                            CreateDirectoryA(menu.c_str(), nullptr);
                            WriteFileBytes(victim, "not the product's");
                            RedirectProgramsFolder(Elsewhere);
                            SpoiledRecord(WithMenu(WithoutMenuEntries(ReadRecord()), menu, "L\t-\t" + victim));
                            return victim;
                          }},
        // Inside the product's Start-menu folder, but no shortcut: a link the install never made.
        UntrustedMenuCase{"LinkThatIsNoShortcut", [] {
                            const std::string notes = StartMenuPrograms() + "\\QuorvixForge\\notes.txt";
                            WriteFileBytes(notes, "the user's");
                            SpoiledRecord(WithLine("L\t-\t" + notes));
                            return notes;
                          }}),
    [](const ::testing::TestParamInfo<UntrustedMenuCase>& info) { return std::string(info.param.name); });

// ---- Registry links the user made where the product's keys are

std::wstring ThisUsersSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<BYTE> buffer(256);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, buffer.data(), DWORD(buffer.size()), &size);
  CloseHandle(token);
  LPWSTR text = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text);
  const std::wstring sid = text ? text : L"";
  LocalFree(text);
  return sid;
}

// Makes `key` (under HKEY_CURRENT_USER) a registry link to `target` (also there).
void MakeRegistryLink(const std::wstring& key, const std::wstring& target) {
  HKEY link = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                            KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
            ERROR_SUCCESS);
  const std::wstring to = L"\\Registry\\User\\" + ThisUsersSid() + L"\\" + target;
  const LONG result = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(to.data()),
                                     DWORD(to.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  ASSERT_EQ(result, ERROR_SUCCESS);
}

const std::wstring LinkTarget = L"Software\\Elsewhere";

// The key a link leads to: a value and a subkey of its own.
void MakeLinkTarget() {
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, LinkTarget.c_str(), L"Keep", REG_SZ, L"me", 6), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (LinkTarget + L"\\Inner").c_str(), L"Keep", REG_SZ, L"me", 6),
            ERROR_SUCCESS);
}

struct RegistryLinkCase {
  const char* name;
  std::wstring link;  // where the link is put, in place of what was there
};

std::ostream& operator<<(std::ostream& out, const RegistryLinkCase& c) { return out << c.name; }

class RegistryLinkInTheRecord : public ::testing::TestWithParam<RegistryLinkCase> {};

TEST_P(RegistryLinkInTheRecord, GoesAsALinkAndWhatItLeadsToStays) {
  Install(ProductPackage());
  MakeLinkTarget();
  const std::wstring link = GetParam().link;
  RegDeleteTreeW(HKEY_CURRENT_USER, link.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, link.c_str());
  MakeRegistryLink(link, LinkTarget);
  // The link leads where it should: its target's value shows through it.
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, link.c_str(), L"Keep", RRF_RT_REG_SZ, nullptr, nullptr, nullptr), ERROR_SUCCESS);

  const RemovalOutcome removal = RemoveThroughList();
  ASSERT_EQ(removal.Boxes.size(), 2u);
  EXPECT_EQ(removal.Boxes[1].Caption, L"Information") << removal.Boxes[1].Text;
  EXPECT_EQ(removal.ExitCode, 0u);
  EXPECT_FALSE(KeyExists(RecordKey));
  EXPECT_EQ(ExportRegistry("HKEY_CURRENT_USER\\Software\\Elsewhere"),
            (RegistryTree{{"", {{"Keep", "me"}}}, {"Inner", {{"Keep", "me"}}}}));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RegistryLinkInTheRecord,
    ::testing::Values(RegistryLinkCase{"InPlaceOfTheVersionKey", L"Software\\QuorvixForge\\Versions\\1.0"},
                      RegistryLinkCase{"BelowTheVersionKey", L"Software\\QuorvixForge\\Versions\\1.0\\Planted"},
                      RegistryLinkCase{"InPlaceOfTheGeneralKey", L"Software\\QuorvixForge\\General"}),
    [](const ::testing::TestParamInfo<RegistryLinkCase>& info) { return std::string(info.param.name); });

// ---- The cleanup copy deletes an uninstaller only once that uninstaller has ended

struct CleanupHandleCase {
  const char* name;
  bool anotherProcess;  // a handle to another program's process, or a number that names none
};

std::ostream& operator<<(std::ostream& out, const CleanupHandleCase& c) { return out << c.name; }

class CleanupCopyGiven : public ::testing::TestWithParam<CleanupHandleCase> {};

TEST_P(CleanupCopyGiven, AHandleNotOfTheUninstallerDeletesNothing) {
  const std::wstring folder = L"C:\\Victim", uninstaller = folder + L"\\uninstall.exe";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  WriteFileBytes("C:\\Victim\\uninstall.exe", "MZ kept");
  // A program that has ended, as the uninstaller would have.
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION other{};
  std::wstring otherCommand = L"cmd.exe /c exit 0";
  ASSERT_TRUE(CreateProcessW(nullptr, otherCommand.data(), &inherited, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &other));
  CloseHandle(other.hThread);
  ASSERT_EQ(WaitForSingleObject(other.hProcess, DefaultTimeout), WAIT_OBJECT_0);
  const uintptr_t handle = GetParam().anotherProcess ? reinterpret_cast<uintptr_t>(other.hProcess) : 0x7ff0;

  std::wstring command = L"\"" + SetupExe() + L"\" /remove-cleanup " + std::to_wstring(handle) + L" \"" + uninstaller +
                         L"\" \"" + folder + L"\"";
  PROCESS_INFORMATION cleanup{};
  ASSERT_TRUE(CreateProcessW(SetupExe().c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, L"C:\\", &startup,
                             &cleanup));
  CloseHandle(cleanup.hThread);
  CloseHandle(other.hProcess);
  ASSERT_EQ(WaitForSingleObject(cleanup.hProcess, DefaultTimeout), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(cleanup.hProcess, &code);
  CloseHandle(cleanup.hProcess);
  EXPECT_EQ(code, 2u);
  EXPECT_TRUE(FileExists("C:\\Victim\\uninstall.exe"));
}

INSTANTIATE_TEST_SUITE_P(Handles, CleanupCopyGiven,
                         ::testing::Values(CleanupHandleCase{"AnotherProgramsProcess", true},
                                           CleanupHandleCase{"NoHandleAtAll", false}),
                         [](const ::testing::TestParamInfo<CleanupHandleCase>& info) { return std::string(info.param.name); });

// ---- A standard user's default destination. These run only from
// unwritable-program-files.sh, which makes Program Files a folder nothing
// can be created in first.

TEST(StandardUser, InstallsIntoTheUsersProgramsFolderAndRemovesIt) {
  ASSERT_FALSE(CreateDirectoryA((ProgramFiles + "\\probe").c_str(), nullptr)) << "Program Files can be written";
  ASSERT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  char local[MAX_PATH] = "";
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
  const std::string programs = std::string(local) + "\\Programs", product = programs + "\\QuorvixForge";
  const Snapshot before = TakeSnapshot();
  const std::map<std::string, std::string> programsBefore = ReadTree(programs);

  const PackageBuilder package = ProductPackage();
  Install(package, 0, [&](HWND window) {
    EXPECT_EQ(Text(FindControlById(window, FolderLabelId)), Wide(product));
  });
  EXPECT_EQ(ProductTree(product), package.Tree());
  EXPECT_EQ(StringValue(UninstallKey + EntryName(), "InstallLocation"), product + "\\1.0");

  const RemovalOutcome removal = RemoveThroughList();
  EXPECT_EQ(removal.ExitCode, 0u);
  ASSERT_TRUE(UninstallerGoneFrom(product + "\\1.0"));
  EXPECT_TRUE(WaitUntil([&] { return !FolderExists(product); }));
  EXPECT_EQ(TakeSnapshot(), before);
  // Where it installed. (The Programs folder itself, made by the install
  // where it was missing, stays, as Program Files would: it is not the
  // product's.)
  EXPECT_EQ(ReadTree(programs), programsBefore) << "where it installed";
}

}  // namespace
