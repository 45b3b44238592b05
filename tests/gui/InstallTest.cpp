// The whole install through the real setup.exe: the tree on disk, the
// progress bar, the boxes shown, the Start-menu links and the registry
// record, on the main paths, on the ways an install can fail and when the
// user cancels it; an install that does not complete takes back what it
// made. Each test runs in its own copy of the Wine prefix (see
// tests/wine-run-copy.sh.in).
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
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

const std::string Product = "QuorvixForge";
const std::string Title = "Quorvix Forge 1.0";
const std::string KeyFile = "QuorvixForge.exe";
const std::string ProgramFiles = "C:\\Program Files";
const std::string RecordKey = "HKEY_CURRENT_USER\\Software\\" + Product;
constexpr int ChooserTreeId = 14145;  // the folder tree of the system's chooser
const char* const ProgramFilesValue[] = {"Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"};

// The product's tree: its main program, both manuals beside it, a nested
// folder; small records enough for every one of the eight progress stops.
// `first` adds records that come before all others.
PackageBuilder ProductPackage(const std::string& version = "1.0",
                              const std::function<void(PackageBuilder&)>& first = nullptr) {
  PackageBuilder p(KeyFile, Title, Product);
  p.Dir(version);
  if (first) first(p);
  p.Dir("MANUAL").Dir("English").File("manual.pdf", "%PDF-1.4 English manual").Leave();
  p.Dir("Russian").File("manual.pdf", "%PDF-1.4 Russian manual").Leave().Leave();
  p.Dir("samples");
  for (int i = 0; i < 10; ++i) p.File("shape" + std::to_string(i) + ".qvx", std::string(40 + i, char('a' + i)));
  p.File("empty.qvx", "");
  p.Leave();
  p.File(KeyFile, "MZ" + std::string(300, '\0') + "Quorvix Forge " + version);
  p.File("readme.txt", "Quorvix Forge " + version + "\r\n");
  p.Leave();
  return p;
}

// Where the destination lies: the Program Files folder as the shell reports it.
void SetProgramFilesFolder(const std::string& folder) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, ProgramFilesValue[0], ProgramFilesValue[1], REG_SZ, folder.c_str(),
                  DWORD(folder.size() + 1));
}

void RemoveProgramsValues() {
  for (const char* key : {"User Shell Folders", "Shell Folders"})
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + key).c_str(),
                       "Programs");
}

// What one run of setup.exe showed and left.
struct Outcome {
  std::vector<Dialog> Boxes;      // every box, in order; each answered OK
  int ProgressAtLastBox = -1;     // the bar's position when the last box opened
  bool ProgressDisplay = false;   // at that moment: "Progress", the bar shown, choosing hidden
  DWORD ExitCode = 1;
  bool Ended = false;
};

struct RunOptions {
  int Language = 0;
  std::wstring ExeName = L"setup.exe";
  std::function<void()> BeforeStart;  // the window is up, Start not yet pressed
  // Then what a person does in the window before pressing Start.
  std::function<void(SetupRun& run, HWND window)> InWindow;
  // And at each box, before it is answered.
  std::function<void(SetupRun& run)> AtBox;
};

RunOptions Language(int language) {
  RunOptions options;
  options.Language = language;
  return options;
}

// Starts setup.exe beside the package, picks the language, presses Start and
// answers every box OK until the program ends.
Outcome RunSetup(const std::string& package, const RunOptions& options = {}) {
  Outcome outcome;
  SetupRun run(package, -1, options.ExeName);
  HWND window = run.WaitForMaximizedWindow();
  if (!window) {
    ADD_FAILURE() << "no setup window";
    return outcome;
  }
  if (options.Language != 0) {
    EXPECT_TRUE(SelectComboItem(FindControlById(window, LanguageComboBoxId), options.Language));
  }
  if (options.BeforeStart) options.BeforeStart();
  if (options.InWindow) options.InWindow(run, window);
  HWND start = FindControlById(window, StartButtonId);
  if (!WaitUntil([&] { return Enabled(start); }) || !Click(start)) {
    ADD_FAILURE() << "Start cannot be pressed";
    return outcome;
  }
  while (HWND box = run.Program->WaitForDialog()) {
    outcome.Boxes.push_back(ReadDialog(box));
    outcome.ProgressAtLastBox = ProgressPosition(FindControlById(window, ProgressBarId));
    outcome.ProgressDisplay = Text(FindControlById(window, GroupBoxId)) == L"Progress" &&
                              Visible(FindControlById(window, ProgressBarId)) &&
                              !Visible(FindControlById(window, FolderLabelId)) &&
                              !Visible(FindControlById(window, LanguageComboBoxId)) &&
                              !Enabled(FindControlById(window, StartButtonId));
    if (options.AtBox) options.AtBox(run);
    if (!AnswerDialog(box, L"OK")) break;
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
  }
  outcome.Ended = run.Program->WaitForExit(&outcome.ExitCode);
  return outcome;
}

std::vector<std::string> Names(const std::map<std::string, std::string>& tree) {
  std::vector<std::string> names;
  for (const auto& entry : tree) names.push_back(entry.first);
  return names;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string MenuFolder(const std::string& version = "1.0") {
  return StartMenuPrograms() + "\\" + Product + "\\" + version;
}

RegistryTree Record(const std::map<std::string, std::pair<std::string, std::string>>& versions,
                    const std::string& language) {
  RegistryTree tree{{"", {}}, {"General", {{"Language", language}}}, {"Versions", {}}};
  for (const auto& [version, values] : versions)
    tree["Versions\\" + version] = {{"Destination folder", values.first}, {"Start menu folder", values.second}};
  return tree;
}

// Nothing of an install that ended early: no links, no record.
void ExpectNoMenuFolderAndNoRecord() {
  EXPECT_FALSE(FolderExists(StartMenuPrograms() + "\\" + Product));
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

// ---- A complete install, in each language

struct LanguageCase {
  const char* name;
  int language;
  std::wstring installOf, finished, menuItem;
  const char* manualFolder;
  const char* homePage;
  const char* letter;
};

std::ostream& operator<<(std::ostream& out, const LanguageCase& c) { return out << c.name; }

class CompleteInstall : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(CompleteInstall, PutsTheTreeLinksAndRecordInPlace) {
  const LanguageCase& c = GetParam();
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes(), Language(c.language));

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_EQ(outcome.Boxes[0].Text, c.installOf + Wide(Title) + c.finished + L"\r\n\r\n" + c.menuItem +
                                       L"Programs\\QuorvixForge\\1.0\\QuorvixForge");
  EXPECT_EQ(outcome.ProgressAtLastBox, 27);
  EXPECT_TRUE(outcome.ProgressDisplay);
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);

  const std::string installDir = ProgramFiles + "\\" + Product + "\\1.0";
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());

  const std::string menu = MenuFolder();
  const std::string workDir = "Working directory : " + installDir + "\\";
  const std::string program = menu + "\\QuorvixForge.lnk", manual = menu + "\\Manual.lnk", web = menu + "\\Web.lnk";
  EXPECT_EQ(Names(ReadTree(menu)), (std::vector<std::string>{"Manual.lnk", "QuorvixForge.lnk", "Web.lnk"}));
  ExpectLinkLine(program, "Local path : " + installDir + "\\" + KeyFile);
  ExpectLinkLine(program, "Description : Quorvix Forge");
  ExpectLinkLine(program, workDir);
  ExpectLinkLine(manual, "Local path : " + installDir + "\\MANUAL\\" + c.manualFolder + "\\manual.pdf");
  ExpectLinkLine(manual, "Description : MANUAL");
  ExpectLinkLine(manual, workDir);
  // Where the shell keeps a web address is its own business; its name is the address.
  ExpectLinkLine(web, std::string("Name : ") + c.homePage);
  ExpectLinkLine(web, "Description : Home page");
  ExpectLinkLine(web, workDir);

  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {installDir, menu}}}, c.letter));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, CompleteInstall,
    ::testing::Values(LanguageCase{"English", 0, L"The installation of ", L" was finished successfully!",
                                   L"Start menu item: ", "English", PRODUCT_HOME_PAGE_ENGLISH, "E"},
                      LanguageCase{"Russian", 1, L"Инсталляция ", L" была завершена успешно!",
                                   L"Пункт стартового меню: ", "Russian", PRODUCT_HOME_PAGE_RUSSIAN, "R"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) { return std::string(info.param.name); });

// ---- Installs that find no Start menu, or come again

TEST(Install, WithoutAProgramsFolderMakesNoLinksAndRecordsAnEmptyMenuFolder) {
  RemoveProgramsValues();
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Text, L"The installation of Quorvix Forge 1.0 was finished successfully!");
  EXPECT_EQ(outcome.ProgressAtLastBox, 8) << "the extraction's events alone";
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_FALSE(FolderExists(StartMenuPrograms() + "\\" + Product));
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {ProgramFiles + "\\" + Product + "\\1.0", ""}}}, "E"));
}

TEST(Install, ReusesTheFoldersAddsASecondVersionAndReplacesTheSameVersion) {
  const PackageBuilder first = ProductPackage("1.0"), second = ProductPackage("2.0");
  const std::string productDir = ProgramFiles + "\\" + Product;
  const std::string dir1 = productDir + "\\1.0", dir2 = productDir + "\\2.0";

  EXPECT_EQ(RunSetup(first.Bytes()).Boxes.size(), 1u);
  // The user's own file in the product folder, and a changed record of 1.0.
  WriteFileBytes(productDir + "\\notes.txt", "mine");

  const Outcome secondRun = RunSetup(second.Bytes(), Language(1));
  ASSERT_EQ(secondRun.Boxes.size(), 1u);
  EXPECT_EQ(secondRun.Boxes[0].Caption, L"Information");
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {dir1, MenuFolder("1.0")}}, {"2.0", {dir2, MenuFolder("2.0")}}}, "R"));

  RegSetKeyValueA(HKEY_CURRENT_USER, ("Software\\" + Product + "\\Versions\\1.0").c_str(), "Destination folder", REG_SZ,
                  "old", 4);
  RegSetKeyValueA(HKEY_CURRENT_USER, ("Software\\" + Product + "\\Versions\\1.0").c_str(), "Start menu folder", REG_SZ,
                  "old", 4);
  const Outcome again = RunSetup(first.Bytes());
  ASSERT_EQ(again.Boxes.size(), 1u);
  EXPECT_EQ(again.ProgressAtLastBox, 27) << "the existing Start-menu folder is reused";
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {dir1, MenuFolder("1.0")}}, {"2.0", {dir2, MenuFolder("2.0")}}}, "E"));

  std::map<std::string, std::string> expected = first.Tree();
  for (const auto& [path, data] : second.Tree()) expected[path] = data;
  expected["notes.txt"] = "mine";
  EXPECT_EQ(ProductTree(productDir, {"1.0", "2.0"}), expected);
  for (const char* version : {"1.0", "2.0"})
    for (const char* link : {"QuorvixForge.lnk", "Manual.lnk", "Web.lnk"})
      EXPECT_TRUE(FileExists(MenuFolder(version) + "\\" + link)) << version << " " << link;
  ExpectLinkLine(MenuFolder("2.0") + "\\Manual.lnk", "Local path : " + dir2 + "\\MANUAL\\Russian\\manual.pdf");
  ExpectLinkLine(MenuFolder("1.0") + "\\Manual.lnk", "Local path : " + dir1 + "\\MANUAL\\English\\manual.pdf");
}

// Wine set to report Vista to setup.exe alone: the DLL search is then
// restricted the Vista way, under which the shell still makes links.
TEST(Install, UnderVistaMakesTheLinksToo) {
  const wchar_t vista[] = L"vista";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\setup.exe", L"Version", REG_SZ, vista,
                            sizeof vista),
            ERROR_SUCCESS);
  const Outcome outcome = RunSetup(ProductPackage().Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_EQ(outcome.ProgressAtLastBox, 27);
  const std::string menu = MenuFolder();
  EXPECT_EQ(Names(ReadTree(menu)), (std::vector<std::string>{"Manual.lnk", "QuorvixForge.lnk", "Web.lnk"}));
  ExpectLinkLine(menu + "\\QuorvixForge.lnk", "Local path : " + ProgramFiles + "\\" + Product + "\\1.0\\" + KeyFile);
}

// A package that names no product folder: the version folder goes straight
// under the destination and under Programs, never to the root of a drive,
// and no record is written.
TEST(Install, AnEmptyProductFolderNameAddsNoFolderLevel) {
  PackageBuilder package(KeyFile, Title, "");
  package.Dir("1.0").File(KeyFile, "MZ").File("readme.txt", "r").Leave();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_TRUE(FileExists(ProgramFiles + "\\1.0\\" + KeyFile));
  EXPECT_TRUE(FileExists(StartMenuPrograms() + "\\1.0\\QuorvixForge.lnk"));
  for (const char* root : {"C:\\1.0", "C:\\QuorvixForge.exe"})
    EXPECT_FALSE(FolderExists(root) || FileExists(root)) << root << " made at the root of the drive";
  // Nor a record among Software's own keys: it would belong to no product.
  for (const char* key : {"Versions", "General"})
    EXPECT_EQ(RegistryKeyOpenResult(std::string("HKEY_CURRENT_USER\\Software\\") + key), ERROR_FILE_NOT_FOUND) << key;
}

// ---- The package, held unchanged while it is in use

// What another program's attempts to use data.z met: the error of each, 0
// when it succeeded. A successful change is undone.
std::map<std::string, DWORD> UsesOfThePackage(const std::wstring& folder) {
  const std::wstring path = folder + L"\\data.z", moved = folder + L"\\data.old";
  const auto opened = [&](DWORD access, DWORD sharing) -> DWORD {
    HANDLE file = CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(file);
    return 0;
  };
  std::map<std::string, DWORD> errors;
  errors["read"] = opened(GENERIC_READ, FILE_SHARE_READ);
  errors["write"] = opened(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  errors["rename"] = MoveFileW(path.c_str(), moved.c_str()) ? 0 : GetLastError();
  if (!errors["rename"]) MoveFileW(moved.c_str(), path.c_str());
  return errors;
}

// From the window's start to the end of the extraction, other programs may
// read data.z but not change it; the completion box finds it free.
TEST(Install, OtherProgramsCannotChangeThePackageUntilItIsExtracted) {
  const PackageBuilder package = ProductPackage();
  std::map<std::string, DWORD> beforeStart, atBox;
  RunOptions options;
  options.InWindow = [&](SetupRun& run, HWND) { beforeStart = UsesOfThePackage(run.Dir.Path()); };
  options.AtBox = [&](SetupRun& run) { atBox = UsesOfThePackage(run.Dir.Path()); };
  const Outcome outcome = RunSetup(package.Bytes(), options);

  const DWORD refused = ERROR_SHARING_VIOLATION;
  EXPECT_EQ(beforeStart, (std::map<std::string, DWORD>{{"read", 0}, {"rename", refused}, {"write", refused}}));
  EXPECT_EQ(atBox, (std::map<std::string, DWORD>{{"read", 0}, {"rename", 0}, {"write", 0}}));
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
}

// A Programs value that names a folder which is not there: the same as no
// Programs folder at all, and nothing is made there.
TEST(Install, AProgramsFolderThatIsMissingGetsNoLinksAndIsNotMade) {
  const std::string missing = "C:\\Gone\\Programs";
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                  "Programs", REG_EXPAND_SZ, missing.c_str(), DWORD(missing.size() + 1));
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Text, L"The installation of Quorvix Forge 1.0 was finished successfully!");
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_FALSE(FolderExists("C:\\Gone"));
  EXPECT_FALSE(FolderExists(StartMenuPrograms() + "\\" + Product));
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {ProgramFiles + "\\" + Product + "\\1.0", ""}}}, "E"));
}

// ---- Where the product goes and how its links follow it

// The destination picked in the folder chooser, as a person picks it, is
// where the tree, the links' targets and the record go.
TEST(Install, GoesIntoTheFolderPickedInTheChooser) {
  CreateDirectoryA("C:\\Apps", nullptr);
  CreateDirectoryA("C:\\Apps\\Picked", nullptr);
  SetProgramFilesFolder("C:\\Apps");
  RunOptions options;
  options.InWindow = [](SetupRun& run, HWND window) {
    HWND folderLabel = FindControlById(window, FolderLabelId);
    ASSERT_EQ(Text(folderLabel), L"C:\\Apps\\QuorvixForge");
    ASSERT_TRUE(ClickControl(folderLabel));
    HWND chooser = run.Program->WaitForDialog();
    ASSERT_NE(chooser, nullptr);
    // The tree starts at C:\Apps: open it and step to its one subfolder.
    HWND tree = FindControlById(chooser, ChooserTreeId);
    for (int press = 0; press < 2; ++press) {
      PostMessageW(tree, WM_KEYDOWN, VK_RIGHT, 1);
      PostMessageW(tree, WM_KEYUP, VK_RIGHT, 1 | (LPARAM(3) << 30));
    }
    // The keys wait in the chooser's queue ahead of the click on OK.
    ASSERT_TRUE(AnswerDialog(chooser, L"OK"));
    WaitUntil([&] { return Text(folderLabel) == L"C:\\Apps\\Picked\\QuorvixForge"; });
    EXPECT_EQ(Text(folderLabel), L"C:\\Apps\\Picked\\QuorvixForge");
  };
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes(), options);

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_EQ(outcome.ExitCode, 0u);
  const std::string installDir = "C:\\Apps\\Picked\\" + Product + "\\1.0";
  EXPECT_EQ(ProductTree("C:\\Apps\\Picked\\" + Product), package.Tree());
  EXPECT_FALSE(FolderExists("C:\\Apps\\" + Product));
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  ExpectLinkLine(MenuFolder() + "\\QuorvixForge.lnk", "Local path : " + installDir + "\\" + KeyFile);
  ExpectLinkLine(MenuFolder() + "\\Manual.lnk", "Local path : " + installDir + "\\MANUAL\\English\\manual.pdf");
  ExpectLinkLine(MenuFolder() + "\\Web.lnk", "Working directory : " + installDir + "\\");
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {installDir, MenuFolder()}}}, "E"));
}

// The main program deeper in the tree: its folder, not the version folder,
// is the links' working folder and the place of the manuals; the record
// still names the version folder.
TEST(Install, LinksFollowAKeyFileInASubfolder) {
  PackageBuilder package(KeyFile, Title, Product);
  package.Dir("1.0").Dir("bin").Dir("MANUAL").Dir("English").File("manual.pdf", "%PDF-1.4 English manual").Leave();
  package.Leave().File(KeyFile, "MZ").Leave().File("readme.txt", "r").Leave();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  const std::string installDir = ProgramFiles + "\\" + Product + "\\1.0", binDir = installDir + "\\bin";
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  const std::string menu = MenuFolder();
  ExpectLinkLine(menu + "\\QuorvixForge.lnk", "Local path : " + binDir + "\\" + KeyFile);
  ExpectLinkLine(menu + "\\Manual.lnk", "Local path : " + binDir + "\\MANUAL\\English\\manual.pdf");
  for (const char* link : {"QuorvixForge.lnk", "Manual.lnk", "Web.lnk"})
    ExpectLinkLine(menu + "\\" + link, "Working directory : " + binDir + "\\");
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {installDir, menu}}}, "E"));
}

// ---- A product named in Cyrillic (how the bundled example ships: names in
// Windows-1251), installed where that is the system's code page. Runs only
// with Wine in the Russian locale (see CMakeLists.txt).

std::string Cp1251(const std::wstring& text) {
  std::string bytes(text.size(), '\0');
  bytes.resize(size_t(
      WideCharToMultiByte(1251, 0, text.data(), int(text.size()), bytes.data(), int(bytes.size()), nullptr, nullptr)));
  return bytes;
}

std::wstring FromAnsi(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
  return wide;
}

using UnixSide::UnixName;

TEST(CyrillicInstall, TitleFolderAndFileNamesReachTheDiskTheLinksAndTheRecord) {
  ASSERT_EQ(GetACP(), 1251u) << "needs Wine in the Russian locale";
  const std::string title = Cp1251(L"Кворвикс Фордж 1.0"), folder = Cp1251(L"Кворвикс"), key = Cp1251(L"Кузня.exe");
  PackageBuilder package(key, title, folder);
  package.Dir("1.0").Dir("MANUAL").Dir("Russian").File("manual.pdf", "%PDF-1.4 manual").Leave().Leave();
  package.Dir(Cp1251(L"Образцы")).File(Cp1251(L"куб.qvx"), "cube").Leave();
  package.File(key, "MZ").File(Cp1251(L"Прочти меня.txt"), "readme").Leave();
  const Outcome outcome = RunSetup(package.Bytes(), Language(1));

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_EQ(outcome.Boxes[0].Text,
            L"Инсталляция Кворвикс Фордж 1.0 была завершена успешно!\r\n\r\n"
            L"Пункт стартового меню: Programs\\Кворвикс\\1.0\\Кворвикс");
  EXPECT_EQ(outcome.ExitCode, 0u);

  const std::string installDir = ProgramFiles + "\\" + folder + "\\1.0";
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + folder), package.Tree());
  // On the Linux side too the names are Cyrillic (UTF-8), not question marks.
  const std::string readme = UnixName(installDir + "\\" + Cp1251(L"Прочти меня.txt"));
  const std::string readmeUtf8 = "/" + AnsiToUtf8(folder) + "/1.0/" + AnsiToUtf8(Cp1251(L"Прочти меня.txt"));
  EXPECT_TRUE(readme.size() > readmeUtf8.size() && readme.substr(readme.size() - readmeUtf8.size()) == readmeUtf8)
      << readme;

  const std::string menu = StartMenuPrograms() + "\\" + folder + "\\1.0";
  EXPECT_EQ(Names(ReadTree(menu)), (std::vector<std::string>{"Manual.lnk", "QuorvixForge.lnk", "Web.lnk"}));
  const std::wstring wideMenu = FromAnsi(StartMenuPrograms()) + L"\\Кворвикс\\1.0\\";
  EXPECT_EQ(LinkTarget(wideMenu + L"QuorvixForge.lnk"), L"C:\\Program Files\\Кворвикс\\1.0\\Кузня.exe");
  EXPECT_EQ(LinkTarget(wideMenu + L"Manual.lnk"), L"C:\\Program Files\\Кворвикс\\1.0\\MANUAL\\Russian\\manual.pdf");
  for (const char* link : {"QuorvixForge.lnk", "Manual.lnk", "Web.lnk"})
    ExpectLinkLine(menu + "\\" + link, "Working directory : " + installDir + "\\");
  EXPECT_EQ(ExportRegistry("HKEY_CURRENT_USER\\Software\\" + folder), Record({{"1.0", {installDir, menu}}}, "R"));
}

// ---- Installs that cannot go on

// The names directly in a folder ("*" of it), for seeing that nothing appeared.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Windows makes the folders "a " and "b.." as "a" and "b" and then cannot
// enter them: without the load check's rule the leave records after them
// climbed out of the product folder, and the files after those landed in
// C:\Program Files and at the root of C:.
TEST(Install, APackageWithFolderNamesWindowsRewritesIsRefusedBeforeAnythingIsWritten) {
  PackageBuilder package(KeyFile, Title, Product);
  package.Dir("a ").Leave().File("escaped-1.txt", "1").Dir("b..").Leave().File("escaped-2.txt", "2");
  package.Dir("1.0").File(KeyFile, "MZ").Leave();
  const std::string& bytes = package.Bytes();
  const Package::CheckResult check = Package::CheckPackage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ASSERT_EQ(check.Status, Package::CheckStatus::Damaged);
  const std::vector<std::string> rootBefore = Entries("C:"), programFilesBefore = Entries(ProgramFiles);

  SetupRun run(bytes);
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  const Dialog shown = ReadDialog(box);
  EXPECT_EQ(shown.Caption, L"Error");
  EXPECT_EQ(shown.Text, Wide("Bad format of file: \"data.z\"\r\n" + Package::DescribeProblem(check)));
  EXPECT_NE(shown.Text.find(L"\"a \""), std::wstring::npos) << "the name refused";
  ASSERT_TRUE(AnswerDialog(box, L"OK"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_EQ(run.Program->WaitForDialog(), nullptr) << "one message only";
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);

  EXPECT_EQ(Entries("C:"), rootBefore);
  EXPECT_EQ(Entries(ProgramFiles), programFilesBefore);
  ExpectNoMenuFolderAndNoRecord();
}

TEST(Install, ADestinationRemovedAfterItWasChosenEndsTheProgramWithNothingMade) {
  const std::string destination = "C:\\Chosen";
  CreateDirectoryA(destination.c_str(), nullptr);
  SetProgramFilesFolder(destination);
  RunOptions options;
  options.BeforeStart = [&] { ASSERT_TRUE(RemoveDirectoryA(destination.c_str())); };
  const Outcome outcome = RunSetup(ProductPackage().Bytes(), options);

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Error");
  EXPECT_EQ(outcome.Boxes[0].Text, L"Can not find directory: C:\\Chosen\\\r\nSetup will be terminated");
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_FALSE(FolderExists(destination));
  ExpectNoMenuFolderAndNoRecord();
}

// A file-system failure during the extraction: the exception display, under
// the program's own title, and nothing after it.
struct Obstacle {
  const char* name;
  std::wstring exeName;
  std::function<HANDLE(const std::string& path)> put;  // in the way of path; a handle to close later, or null
  std::wstring caption, text;
};

std::ostream& operator<<(std::ostream& out, const Obstacle& o) { return out << o.name; }

class ExtractionFailure : public ::testing::TestWithParam<Obstacle> {};

TEST_P(ExtractionFailure, IsShownAndStopsTheInstall) {
  const Obstacle& o = GetParam();
  const std::string installDir = ProgramFiles + "\\" + Product + "\\1.0";
  CreateDirectoryA((ProgramFiles + "\\" + Product).c_str(), nullptr);
  CreateDirectoryA(installDir.c_str(), nullptr);
  const HANDLE held = o.put(installDir + "\\readme.txt");

  RunOptions options;
  options.ExeName = o.exeName;
  const Outcome outcome = RunSetup(ProductPackage().Bytes(), options);
  if (held) CloseHandle(held);

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, o.caption);
  EXPECT_EQ(outcome.Boxes[0].Text, o.text);
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  // What was written before the failure is gone; the folders and the
  // obstacle, there before the run, stay.
  std::vector<std::string> left = Names(ReadTree(ProgramFiles + "\\" + Product));
  EXPECT_EQ(left.size(), 2u);
  EXPECT_EQ(left.at(0), "1.0\\");
  EXPECT_EQ(left.at(1).rfind("1.0\\readme.txt", 0), 0u);
  ExpectNoMenuFolderAndNoRecord();
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, ExtractionFailure,
    ::testing::Values(
        // The build's setup.exe: its title is "setup", as the name stands.
        Obstacle{"FolderOfTheFilesName", L"setup.exe",
                 [](const std::string& path) -> HANDLE {
                   CreateDirectoryA(path.c_str(), nullptr);
                   return nullptr;
                 },
                 L"setup", L"File access denied."},
        Obstacle{"FileHeldOpenBySetup2", L"SETUP2.EXE",
                 [](const std::string& path) {
                   return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
                 },
                 L"Setup2", L"I/O error 32."}),
    [](const ::testing::TestParamInfo<Obstacle>& info) { return std::string(info.param.name); });

// A file where the install must make a folder: the product folder under the
// destination, or the product's or the version's folder in the Start menu.
// The error is shown, there is no completion message and no record, and
// what the install had made is taken back; the file stays as it was.
struct FolderInTheWay {
  const char* name;
  std::function<std::string()> blocked;  // the folder that cannot be made
};

std::ostream& operator<<(std::ostream& out, const FolderInTheWay& f) { return out << f.name; }

class FolderCannotBeMade : public ::testing::TestWithParam<FolderInTheWay> {};

TEST_P(FolderCannotBeMade, StopsTheInstallWithTheErrorTakesBackTheTreeAndMakesNoRecord) {
  const FolderInTheWay& f = GetParam();
  const std::string blocked = f.blocked();
  CreateDirectoryA(blocked.substr(0, blocked.rfind('\\')).c_str(), nullptr);
  WriteFileBytes(blocked, "not a folder");
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"I/O error 183.");  // ERROR_ALREADY_EXISTS
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  std::string left;
  EXPECT_TRUE(ReadFile(Wide(blocked), left));
  EXPECT_EQ(left, "not a folder");
  // Extracted or not, no tree is left (the product folder itself is the
  // obstacle in the first case).
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  for (const char* link : {"QuorvixForge.lnk", "Manual.lnk", "Web.lnk"})
    EXPECT_FALSE(FileExists(MenuFolder() + "\\" + link)) << link;
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderCannotBeMade,
    ::testing::Values(
        FolderInTheWay{"ProductFolder", [] { return ProgramFiles + "\\" + Product; }},
        FolderInTheWay{"MenuProductFolder", [] { return StartMenuPrograms() + "\\" + Product; }},
        FolderInTheWay{"MenuVersionFolder", [] { return MenuFolder("1.0"); }}),
    [](const ::testing::TestParamInfo<FolderInTheWay>& info) { return std::string(info.param.name); });

// ---- Links someone else put in the destination

// A folder the install goes into that is a junction or symbolic link to
// another folder (made before the run by another user, say): refused with
// the error naming it, nothing written where it leads, what the run made
// taken back.
struct LinkedFolder {
  const char* name;
  std::function<std::string()> folder;  // made a link to C:\Elsewhere
};

std::ostream& operator<<(std::ostream& out, const LinkedFolder& f) { return out << f.name; }

class LinkedFolderInTheWay : public ::testing::TestWithParam<LinkedFolder> {};

TEST_P(LinkedFolderInTheWay, IsRefusedAndNothingIsWrittenWhereItLeads) {
  const std::string elsewhere = "C:\\Elsewhere";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  WriteFileBytes(elsewhere + "\\keep.txt", "keep");
  const std::string linked = GetParam().folder();
  for (size_t end = linked.find('\\', 3); end != std::string::npos; end = linked.find('\\', end + 1))
    CreateDirectoryA(linked.substr(0, end).c_str(), nullptr);
  if (!UnixSide::MakeUnixLink(elsewhere, linked)) GTEST_SKIP() << "no symbolic link can be made here";
  // Both product folders the install writes in, the link listed and not entered.
  const auto trees = [] {
    return std::make_pair(ReadTree(ProgramFiles + "\\" + Product), ReadTree(StartMenuPrograms() + "\\" + Product));
  };
  const auto before = trees();

  const Outcome outcome = RunSetup(ProductPackage().Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"Setup does not write through a junction or link: " + Wide(linked) + L".");
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(Names(ReadTree(elsewhere)), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(trees(), before) << "what the run made is taken back";
  const DWORD attributes = GetFileAttributesA(linked.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      << "the link itself stays a link";
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LinkedFolderInTheWay,
    ::testing::Values(LinkedFolder{"ProductFolder", [] { return ProgramFiles + "\\" + Product; }},
                      LinkedFolder{"VersionFolder", [] { return ProgramFiles + "\\" + Product + "\\1.0"; }},
                      LinkedFolder{"NestedFolder", [] { return ProgramFiles + "\\" + Product + "\\1.0\\samples"; }},
                      LinkedFolder{"MenuProductFolder", [] { return StartMenuPrograms() + "\\" + Product; }},
                      LinkedFolder{"MenuVersionFolder", [] { return MenuFolder("1.0"); }}),
    [](const ::testing::TestParamInfo<LinkedFolder>& info) { return std::string(info.param.name); });

// A file of the product that is already there as a symbolic link, or as a
// second name (a hard link) of a file elsewhere: refused with the error
// naming it, what it leads to left as it was, what the run made taken back.
struct LinkedFile {
  const char* name;
  const char* file;  // in the version folder
  std::function<bool(const std::string& victim, const std::string& link)> make;
};

std::ostream& operator<<(std::ostream& out, const LinkedFile& f) { return out << f.name; }

class LinkedFileInTheWay : public ::testing::TestWithParam<LinkedFile> {};

TEST_P(LinkedFileInTheWay, IsRefusedAndWhatItLeadsToStaysAsItWas) {
  const std::string installDir = ProgramFiles + "\\" + Product + "\\1.0";
  CreateDirectoryA((ProgramFiles + "\\" + Product).c_str(), nullptr);
  CreateDirectoryA(installDir.c_str(), nullptr);
  const std::string victim = "C:\\victim.txt", link = installDir + "\\" + GetParam().file;
  WriteFileBytes(victim, "the user's own text");
  if (!GetParam().make(victim, link)) GTEST_SKIP() << "no such link can be made here";

  const Outcome outcome = RunSetup(ProductPackage().Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"Setup does not write through a junction or link: " + Wide(link) + L".");
  std::string text;
  EXPECT_TRUE(ReadFile(Wide(victim), text));
  EXPECT_EQ(text, "the user's own text");
  EXPECT_EQ(Names(ReadTree(installDir)), std::vector<std::string>{GetParam().file});
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LinkedFileInTheWay,
    ::testing::Values(LinkedFile{"SymbolicLink", "readme.txt",
                                 [](const std::string& victim, const std::string& link) {
                                   return UnixSide::MakeUnixLink(victim, link);
                                 }},
                      LinkedFile{"HardLink", "QuorvixForge.exe",
                                 [](const std::string& victim, const std::string& link) {
                                   return CreateHardLinkA(link.c_str(), victim.c_str(), nullptr) != FALSE;
                                 }}),
    [](const ::testing::TestParamInfo<LinkedFile>& info) { return std::string(info.param.name); });

// A file record whose name reaches into folders below ("a\b\x.txt") goes
// down through them level by level, as directory records do: a link on the
// way is refused, and nothing is written where it leads.
TEST(Install, AFileNameReachingThroughALinkedFolderIsRefused) {
  const std::string installDir = ProgramFiles + "\\" + Product + "\\1.0", elsewhere = "C:\\Elsewhere";
  CreateDirectoryA((ProgramFiles + "\\" + Product).c_str(), nullptr);
  CreateDirectoryA(installDir.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr) && CreateDirectoryA((elsewhere + "\\b").c_str(), nullptr));
  WriteFileBytes(elsewhere + "\\b\\x.txt", "keep");
  const std::map<std::string, std::string> outside = ReadTree(elsewhere);
  const std::string link = installDir + "\\a";
  if (!UnixSide::MakeUnixLink(elsewhere, link)) GTEST_SKIP() << "no symbolic link can be made here";

  const Outcome outcome =
      RunSetup(ProductPackage("1.0", [](PackageBuilder& p) { p.File("a\\b\\x.txt", "written through"); }).Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Text, L"Setup does not write through a junction or link: " + Wide(link) + L".");
  EXPECT_EQ(ReadTree(elsewhere), outside);
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

// A reinstall over an earlier install that fails half-way (the last file
// held open by another program): every file it had replaced is back as it
// was, and nothing of the run is left.
TEST(Install, AFailedReinstallPutsBackWhatItReplaced) {
  ASSERT_EQ(RunSetup(ProductPackage().Bytes()).Boxes.size(), 1u);
  const std::string productDir = ProgramFiles + "\\" + Product;
  const std::map<std::string, std::string> before = ReadTree(productDir);
  ASSERT_FALSE(before.empty());

  PackageBuilder changed(KeyFile, Title, Product);
  changed.Dir("1.0").File(KeyFile, "MZ a changed program").File("added.txt", "new");
  changed.Dir("samples").File("shape0.qvx", "changed").Leave().File("readme.txt", "changed").Leave();
  const HANDLE held = CreateFileA((productDir + "\\1.0\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Outcome outcome = RunSetup(changed.Bytes());
  CloseHandle(held);

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Text, L"I/O error 32.");
  EXPECT_EQ(ReadTree(productDir), before);
}

// A reinstall that is killed half-way (power lost, the task ended) takes
// nothing back: each earlier file is still whole, under its own name or,
// for the one being replaced at that moment, as a "~setupN.bak" beside it,
// and no name holds half a file. The next complete install leaves only its
// own tree.
TEST(Install, AReinstallKilledHalfWayLeavesEveryFileWholeAndTheNextInstallClearsUp) {
  const auto package = [](const std::string& content) {
    PackageBuilder p(KeyFile, Title, Product);
    p.Dir("1.0").File(KeyFile, "MZ " + content);
    for (int folder = 0; folder < 20; ++folder) {
      p.Dir("part" + std::to_string(folder));
      for (int i = 0; i < 100; ++i) p.File("file" + std::to_string(i) + ".dat", content + std::string(2000, 'x'));
      p.Leave();
    }
    p.Leave();
    return p;
  };
  const PackageBuilder first = package("first"), second = package("second");
  ASSERT_EQ(RunSetup(first.Bytes()).Boxes.size(), 1u);
  const std::string productDir = ProgramFiles + "\\" + Product;

  {
    SetupRun run(second.Bytes());
    HWND window = run.WaitForMaximizedWindow();
    ASSERT_TRUE(window);
    HWND start = FindControlById(window, StartButtonId), bar = FindControlById(window, ProgressBarId);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(start); }) && Click(start));
    ASSERT_TRUE(WaitUntil([&] { return ProgressPosition(bar) > 0; }, 20000));
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, run.Program->Id());
    ASSERT_TRUE(process);
    // Killed during the extraction, not after it.
    const int at = ProgressPosition(bar), end = ProgressMax(bar);
    ASSERT_TRUE(TerminateProcess(process, 99));
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    ASSERT_LT(at, end);
  }

  const std::map<std::string, std::string> earlier = first.Tree(), later = second.Tree();
  std::map<std::string, std::string> left = ReadTree(productDir);
  std::vector<std::string> backups;
  size_t untouched = 0;
  for (const auto& [name, data] : left) {
    const std::string last = name.substr(name.rfind('\\') + 1);
    if (last.compare(0, 6, "~setup") == 0) {
      if (last.size() > 4 && last.compare(last.size() - 4, 4, ".bak") == 0) backups.push_back(data);
      continue;
    }
    if (earlier.count(name)) {
      EXPECT_TRUE(data == earlier.at(name) || data == later.at(name)) << name << " holds neither whole file";
      if (name.back() != '\\' && data == earlier.at(name)) ++untouched;
    }
  }
  // Killed half-way, not after the last file.
  ASSERT_GT(untouched, 0u);
  size_t gone = 0;
  for (const auto& [name, data] : earlier)
    if (name.back() != '\\' && !left.count(name)) {
      ++gone;
      EXPECT_NE(std::find(backups.begin(), backups.end(), data), backups.end()) << name << " is lost";
    }
  EXPECT_LE(gone, 1u) << "only the file being replaced may stand as its backup alone";

  ASSERT_EQ(RunSetup(second.Bytes()).Boxes.size(), 1u);
  EXPECT_EQ(ProductTree(productDir), later);
}

TEST(Install, AFullDiskStopsTheInstallAndLeavesTheDriveAsItWas) {
  // A 1 MiB drive E: when the machine allowed mounting one (see wine-run-copy.sh).
  if (!FolderExists("E:\\")) GTEST_SKIP() << "no small drive E: here (mounting a tmpfs was refused)";
  CreateDirectoryA("E:\\Apps", nullptr);
  SetProgramFilesFolder("E:\\Apps");
  PackageBuilder package(KeyFile, Title, Product);
  package.Dir("1.0").File("small.txt", "fits").File("large.bin", std::string(2 << 20, 'L')).File(KeyFile, "MZ").Leave();

  const Outcome outcome = RunSetup(package.Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"Disk full.");
  EXPECT_EQ(outcome.ExitCode, 0u);
  // Nothing of ours is left to keep the disk full: the destination as it was.
  EXPECT_EQ(Names(ReadTree("E:")), std::vector<std::string>{"Apps\\"});
  ExpectNoMenuFolderAndNoRecord();
}

// ---- Links that cannot be saved

// Starts a Linux program, which Wine runs like any other; its end and exit
// code do not come back reliably, so callers look for its effect.
bool StartLinuxProgram(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Whether a new file can be made in the folder (made and removed again).
bool CanMakeFileIn(const std::string& folder) {
  const std::string probe = folder + "\\probe.tmp";
  const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(probe.c_str());
  return true;
}

// A folder in which not even root can make a file (as root, Wine writes
// into read-only folders): chattr +i, undone at the end so that the prefix
// copy can be removed.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const std::string& folder) : folder(folder), unixPath(UnixName(folder)) {
    if (!unixPath.empty()) locked = Change("+i", [&] { return !CanMakeFileIn(folder); });
  }
  // Undoing it is tidiness, not what the test shows: when chattr does not get
  // to run in time, the prefix copy's clean-up (wine-run-copy.sh) undoes it.
  ~ImmutableFolder() {
    if (!unixPath.empty() && !Change("-i", [&] { return CanMakeFileIn(folder); }))
      std::cerr << "still locked, left to the prefix copy's clean-up: " << unixPath << "\n";
  }
  ImmutableFolder(const ImmutableFolder&) = delete;
  ImmutableFolder& operator=(const ImmutableFolder&) = delete;
  bool Locked() const { return locked; }

 private:
  // Runs chattr until its effect shows: on a loaded machine a Linux program
  // started from Wine can take long to run, or not run at all.
  bool Change(const char* flag, const std::function<bool()>& done) const {
    for (int attempt = 0; attempt < 6; ++attempt) {
      if (!StartLinuxProgram(std::string("/usr/bin/chattr ") + flag + " \"" + unixPath + "\"")) return false;
      if (WaitUntil(done, 10000)) return true;
    }
    return false;
  }

  std::string folder, unixPath;
  bool locked = false;
};

struct LinkObstacle {
  const char* name;
  // Puts it in the way of a link in the (existing) menu folder,
  // leaving in `guard` what lifts it again; false when this machine does
  // not allow it.
  std::function<bool(const std::string& menuFolder, std::unique_ptr<ImmutableFolder>& guard)> put;
};

std::ostream& operator<<(std::ostream& out, const LinkObstacle& o) { return out << o.name; }

class LinkNotSaved : public ::testing::TestWithParam<LinkObstacle> {};

// The link cannot be saved: the error under the program's title, no
// completion message, no record; the tree and the links made before it are
// taken back, a link of an earlier install it had replaced is back as it
// was, and the menu folder that was there stays.
TEST_P(LinkNotSaved, StopsTheInstallAndPutsBackWhatItReplaced) {
  const std::string menu = MenuFolder();
  ASSERT_TRUE(CreateDirectoryA((StartMenuPrograms() + "\\" + Product).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(menu.c_str(), nullptr));
  WriteFileBytes(menu + "\\Manual.lnk", "an earlier link");
  std::unique_ptr<ImmutableFolder> guard;
  if (!GetParam().put(menu, guard)) GTEST_SKIP() << "chattr +i is not allowed here (root on a file system that has it is needed)";

  const Outcome outcome = RunSetup(ProductPackage().Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"File access denied.");
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_FALSE(FileExists(menu + "\\QuorvixForge.lnk"));
  std::string earlier;
  EXPECT_TRUE(ReadFile(Wide(menu + "\\Manual.lnk"), earlier));
  EXPECT_EQ(earlier, "an earlier link");
  for (const std::string& name : Names(ReadTree(menu))) EXPECT_EQ(name.find("~setup"), std::string::npos) << name;
  EXPECT_TRUE(FolderExists(menu));
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, LinkNotSaved,
    ::testing::Values(LinkObstacle{"FolderOfTheLinksName",
                                   [](const std::string& menu, std::unique_ptr<ImmutableFolder>&) {
                                     return CreateDirectoryA((menu + "\\QuorvixForge.lnk").c_str(), nullptr) != FALSE;
                                   }},
                      // The program's and the manual's links are made first.
                      LinkObstacle{"FolderOfTheLastLinksName",
                                   [](const std::string& menu, std::unique_ptr<ImmutableFolder>&) {
                                     return CreateDirectoryA((menu + "\\Web.lnk").c_str(), nullptr) != FALSE;
                                   }},
                      LinkObstacle{"MenuFolderThatCannotBeWritten",
                                   [](const std::string& menu, std::unique_ptr<ImmutableFolder>& guard) {
                                     guard = std::make_unique<ImmutableFolder>(menu);
                                     return guard->Locked();
                                   }}),
    [](const ::testing::TestParamInfo<LinkObstacle>& info) { return std::string(info.param.name); });

// ---- The end of the take-back window: once the completion message is
// shown the install is done, and a record that cannot be made takes nothing
// back.

// A key of the record that cannot be opened for writing: one that exists
// and lets everyone only read it, or a volatile product key, under which no
// lasting key can be made. (Wine lets a key be made under a read-only parent
// when it is the last one of the path; Windows does not: a read-only
// existing key is refused by both.)
struct LockedRecordKey {
  const char* name;
  std::string key;  // under Software\QuorvixForge
  DWORD options;    // REG_OPTION_VOLATILE, or 0 for a read-only key
  RegistryTree keptRecord;  // what of the record is there afterwards
};

std::ostream& operator<<(std::ostream& out, const LockedRecordKey& c) { return out << c.name; }

LONG LockKey(const LockedRecordKey& c) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\" + Product + c.key).c_str(), 0, nullptr, c.options,
                                KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  if (result != ERROR_SUCCESS || c.options == REG_OPTION_VOLATILE) {
    if (handle) RegCloseKey(handle);
    return result;
  }
  PSECURITY_DESCRIPTOR readOnly = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr)) {
    result = LONG(GetLastError());
  } else {
    result = RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, readOnly);
    LocalFree(readOnly);
  }
  RegCloseKey(handle);
  return result;
}

class RecordNotMade : public ::testing::TestWithParam<LockedRecordKey> {};

TEST_P(RecordNotMade, AfterTheCompletionMessageRemovesNothing) {
  const LockedRecordKey& c = GetParam();
  ASSERT_EQ(LockKey(c), ERROR_SUCCESS);
  const PackageBuilder package = ProductPackage();
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information");
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_EQ(Names(ReadTree(MenuFolder())), (std::vector<std::string>{"Manual.lnk", "QuorvixForge.lnk", "Web.lnk"}));
  EXPECT_EQ(ExportRegistry(RecordKey), c.keptRecord);
}

const std::string InstalledDir = ProgramFiles + "\\" + Product + "\\1.0";

INSTANTIATE_TEST_SUITE_P(
    Keys, RecordNotMade,
    ::testing::Values(
        LockedRecordKey{"VolatileProductKey", "", REG_OPTION_VOLATILE, {{"", {}}}},
        LockedRecordKey{"ReadOnlyVersionKey", "\\Versions\\1.0", 0,
                        {{"", {}}, {"General", {{"Language", "E"}}}, {"Versions", {}}, {"Versions\\1.0", {}}}},
        LockedRecordKey{"ReadOnlyGeneralKey", "\\General", 0,
                        {{"", {}},
                         {"General", {}},
                         {"Versions", {}},
                         {"Versions\\1.0", {{"Destination folder", InstalledDir}, {"Start menu folder", MenuFolder()}}}}}),
    [](const ::testing::TestParamInfo<LockedRecordKey>& info) { return std::string(info.param.name); });

// ---- Problems the extraction reports itself

struct ReportedProblem {
  const char* name;
  std::function<void(PackageBuilder&)> records;
  std::wstring message;
};

std::ostream& operator<<(std::ostream& out, const ReportedProblem& p) { return out << p.name; }

class ExtractionProblem : public ::testing::TestWithParam<ReportedProblem> {};

TEST_P(ExtractionProblem, EndsTheInstallAfterItsMessageAndTakesBackWhatItMade) {
  PackageBuilder package(KeyFile, Title, Product);
  GetParam().records(package);
  const Outcome outcome = RunSetup(package.Bytes());

  ASSERT_EQ(outcome.Boxes.size(), 1u) << "no completion message after the problem";
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Error");
  EXPECT_EQ(outcome.Boxes[0].Text, GetParam().message);
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.ExitCode, 0u);
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  ExpectNoMenuFolderAndNoRecord();
}

INSTANTIATE_TEST_SUITE_P(
    Problems, ExtractionProblem,
    ::testing::Values(
        ReportedProblem{"BadCommand",
                        [](PackageBuilder& p) {
                          p.Dir("1.0").File("readme.txt", "r").File(KeyFile, "MZ").Raw("\x0A").File("late.txt", "l");
                        },
                        L"Bad Command: 0A"},
        ReportedProblem{"KeyFileMissing", [](PackageBuilder& p) { p.Dir("1.0").File("readme.txt", "r").Leave(); },
                        L"Internal error.\r\nFile : QuorvixForge.exe not present!"}),
    [](const ::testing::TestParamInfo<ReportedProblem>& info) { return std::string(info.param.name); });

// ---- Input queued before setup handles it

// Waits until Start can be pressed, then holds setup still while `queue`
// posts its input, so that all of it waits in the queue before setup sees
// the first: what it causes no longer depends on how fast setup runs.
HWND QueueInput(SetupRun& run, const std::function<void(HWND window)>& queue) {
  HWND window = run.WaitForMaximizedWindow();
  if (!window || !WaitUntil([&] { return Enabled(FindControlById(window, StartButtonId)); })) return nullptr;
  FrozenProcess frozen(run.Program->Id());
  if (!frozen.Frozen()) return nullptr;
  queue(window);
  return window;
}

// ---- Cancelling during the extraction (handled at its first progress
// stop, however fast the extraction: the input waits in the queue)

HWND QueueStartAnd(SetupRun& run, const std::function<void(HWND window)>& then) {
  return QueueInput(run, [&](HWND window) {
    EXPECT_TRUE(Click(FindControlById(window, StartButtonId)));
    then(window);
  });
}

void PressExit(HWND window) { EXPECT_TRUE(Click(FindControlById(window, ExitButtonId))); }

// The Exit question, once it is up.
HWND WaitForQuestion(SetupRun& run) {
  HWND question = run.Program->WaitForDialog();
  if (question) {
    EXPECT_EQ(ReadDialog(question).Caption, L"Confirm");
  }
  return question;
}

// Answers a box and waits until it is gone, so that the next wait for a
// box does not find it again.
bool Answer(HWND box, const std::function<void(HWND box)>& give) {
  give(box);
  return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

bool Answer(HWND box, const std::wstring& button) {
  return Answer(box, [&](HWND b) { EXPECT_TRUE(AnswerDialog(b, button)); });
}

struct CancelWay {
  const char* name;
  std::function<void(HWND window)> request;
  std::function<void(HWND question)> confirm;  // null: nothing asked
};

std::ostream& operator<<(std::ostream& out, const CancelWay& way) { return out << way.name; }

class CancelDuringTheExtraction : public ::testing::TestWithParam<CancelWay> {};

TEST_P(CancelDuringTheExtraction, TakesBackWhatItMadeAndEndsWithoutAWord) {
  const CancelWay& way = GetParam();
  // The user's own folder and file in the destination, there before.
  const std::string mine = ProgramFiles + "\\Mine";
  CreateDirectoryA(mine.c_str(), nullptr);
  WriteFileBytes(mine + "\\notes.txt", "mine");
  WriteFileBytes(ProgramFiles + "\\mine.txt", "mine too");

  SetupRun run(ProductPackage().Bytes());
  ASSERT_NE(QueueStartAnd(run, way.request), nullptr);
  if (way.confirm) {
    HWND question = WaitForQuestion(run);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Answer(question, way.confirm));
  }
  // The wait for a box ends empty-handed when the program ends first.
  EXPECT_EQ(run.Program->WaitForDialog(), nullptr) << "no completion box, no other box";
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  EXPECT_EQ(ReadTree(mine), (std::map<std::string, std::string>{{"notes.txt", "mine"}}));
  EXPECT_EQ(ReadTree(ProgramFiles).at("mine.txt"), "mine too");
  ExpectNoMenuFolderAndNoRecord();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CancelDuringTheExtraction,
    ::testing::Values(CancelWay{"ExitYes", PressExit, [](HWND question) { AnswerDialog(question, L"Yes"); }},
                      CancelWay{"ExitEnter", PressExit, [](HWND question) { PressKey(question, VK_RETURN); }},
                      CancelWay{"ExitQuestionClosed", PressExit, [](HWND question) { PressCloseBox(question); }},
                      CancelWay{"WindowCloseBox", [](HWND window) { PressCloseBox(window); }, nullptr}),
    [](const ::testing::TestParamInfo<CancelWay>& info) { return std::string(info.param.name); });

TEST(Install, ExitAnsweredNoDuringTheExtractionLetsTheInstallComplete) {
  const PackageBuilder package = ProductPackage();
  SetupRun run(package.Bytes());
  HWND window = QueueStartAnd(run, PressExit);
  ASSERT_NE(window, nullptr);
  HWND question = WaitForQuestion(run);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(Answer(question, L"No"));

  HWND done = run.Program->WaitForDialog();
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(ReadDialog(done).Caption, L"Information");
  EXPECT_EQ(ProgressPosition(FindControlById(window, ProgressBarId)), 27);
  ASSERT_TRUE(AnswerDialog(done, L"OK"));
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_TRUE(FileExists(MenuFolder() + "\\Web.lnk"));
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {ProgramFiles + "\\" + Product + "\\1.0", MenuFolder()}}}, "E"));
}

// The same version again, cancelled: what the first install made, the
// user's file beside it, the links and the record all stay; only what this
// run added goes.
TEST(Install, CancellingAReinstallDeletesNothingThatWasThere) {
  const PackageBuilder first = ProductPackage();
  const std::string productDir = ProgramFiles + "\\" + Product;
  ASSERT_EQ(RunSetup(first.Bytes()).Boxes.size(), 1u);
  WriteFileBytes(productDir + "\\notes.txt", "mine");
  std::map<std::string, std::string> before = ReadTree(productDir);
  const RegistryTree record = ExportRegistry(RecordKey);

  // Records that come before the first stop: a new file, a new folder.
  const PackageBuilder again = ProductPackage("1.0", [](PackageBuilder& p) {
    p.File("added.txt", "new").Dir("fresh").File("f.txt", "f").Leave();
  });
  SetupRun run(again.Bytes());
  ASSERT_NE(QueueStartAnd(run, PressExit), nullptr);
  HWND question = WaitForQuestion(run);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(Answer(question, L"Yes"));
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));

  EXPECT_EQ(ReadTree(productDir), before);
  for (const char* link : {"QuorvixForge.lnk", "Manual.lnk", "Web.lnk"})
    EXPECT_TRUE(FileExists(MenuFolder() + "\\" + link)) << link;
  EXPECT_EQ(ExportRegistry(RecordKey), record);
}

// A file the user holds open (no sharing) while the install is cancelled
// cannot go: the box names it and counts what is left for its sake; all
// the rest is removed.
TEST(Install, AFileHeldOpenDuringTheCancelIsNamedAndTheRestRemoved) {
  SetupRun run(ProductPackage().Bytes());
  ASSERT_NE(QueueStartAnd(run, PressExit), nullptr);
  HWND question = WaitForQuestion(run);
  ASSERT_NE(question, nullptr);
  // Written before the first stop, where the question waits.
  const std::string productDir = ProgramFiles + "\\" + Product;
  const std::string held = productDir + "\\1.0\\MANUAL\\English\\manual.pdf";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Answer(question, L"Yes"));

  HWND box = run.Program->WaitForDialog();
  const Dialog shown = box ? ReadDialog(box) : Dialog{};
  if (box) AnswerDialog(box, L"OK");
  DWORD code = 1;
  const bool ended = run.Program->WaitForExit(&code);
  CloseHandle(file);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(shown.Caption, L"Error");
  // The file, then English, MANUAL, 1.0 and the product folder that hold it.
  EXPECT_EQ(shown.Text, L"Can not remove " + Wide(held) + L"\r\nand 4 more of the items setup created");
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Names(ReadTree(productDir)),
            (std::vector<std::string>{"1.0\\", "1.0\\MANUAL\\", "1.0\\MANUAL\\English\\",
                                      "1.0\\MANUAL\\English\\manual.pdf"}));
  ExpectNoMenuFolderAndNoRecord();
}

// A Start click that waited in the queue behind a click on the destination
// reaches the button inside the folder chooser's own message loop: the
// window is disabled then, and the install must not begin under the chooser.
TEST(Install, StartQueuedBehindTheChooserDoesNotBeginTheInstall) {
  SetupRun run(ProductPackage().Bytes());
  HWND window = QueueInput(run, [](HWND window) {
    EXPECT_TRUE(ClickControl(FindControlById(window, FolderLabelId)));
    EXPECT_TRUE(Click(FindControlById(window, StartButtonId)));
  });
  ASSERT_NE(window, nullptr);
  HWND start = FindControlById(window, StartButtonId);
  HWND chooser = run.Program->WaitForDialog();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(ReadDialog(chooser).Caption, L"Browse for Folder");
  ASSERT_TRUE(AnswerDialog(chooser, L"Cancel"));

  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }));
  EXPECT_TRUE(Visible(FindControlById(window, FolderLabelId))) << "still choosing";
  EXPECT_TRUE(Enabled(start));
  EXPECT_FALSE(FolderExists(ProgramFiles + "\\" + Product));
  PressCloseBox(window);
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
  ExpectNoMenuFolderAndNoRecord();
}

// Input that reached the queue before Start was handled: by the time it is
// handled the install has hidden or disabled its controls, so none of it
// may run again, move the destination or change the language midway.
TEST(Install, ClicksQueuedBehindStartAreDroppedOnceTheirControlsAreGone) {
  const PackageBuilder package = ProductPackage();
  SetupRun run(package.Bytes());
  HWND window = QueueInput(run, [](HWND window) {
    HWND start = FindControlById(window, StartButtonId), combo = FindControlById(window, LanguageComboBoxId);
    EXPECT_TRUE(Click(start));
    EXPECT_TRUE(Click(start));
    EXPECT_TRUE(ClickControl(FindControlById(window, FolderLabelId)));
    // Down arrow in the closed list: the next language, as a user would pick it.
    PostMessageW(combo, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(combo, WM_KEYUP, VK_DOWN, 1 | (LPARAM(3) << 30));
  });
  ASSERT_NE(window, nullptr);

  std::vector<Dialog> boxes;
  while (HWND box = run.Program->WaitForDialog()) {
    boxes.push_back(ReadDialog(box));
    // Anything but the completion message (the folder chooser) is cancelled.
    if (!AnswerDialog(box, boxes.back().Caption == L"Information" ? L"OK" : L"Cancel")) break;
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
  }
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
  std::wstring captions;
  for (const Dialog& box : boxes) captions += L"[" + box.Caption + L"]";
  EXPECT_EQ(captions, L"[Information]");
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().Text, L"The installation of " + Wide(Title) +
                               L" was finished successfully!\r\n\r\nStart menu item: Programs\\QuorvixForge\\1.0\\QuorvixForge");
  EXPECT_EQ(ProductTree(ProgramFiles + "\\" + Product), package.Tree());
  EXPECT_EQ(ExportRegistry(RecordKey), Record({{"1.0", {ProgramFiles + "\\" + Product + "\\1.0", MenuFolder()}}}, "E"));
}

// ---- A product folder where other users may write

// The DACL of a folder in the system's own text. Wine keeps a DACL as the
// Unix permissions it maps to and reads it back from them: Everyone's
// entry ("WD") is what other users are given.
std::wstring DaclText(const std::string& folder) {
  const HANDLE item = CreateFileA(folder.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  PSECURITY_DESCRIPTOR sd = nullptr;
  const DWORD read = item == INVALID_HANDLE_VALUE ? GetLastError()
                                                  : GetSecurityInfo(item, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                                    nullptr, nullptr, nullptr, &sd);
  if (item != INVALID_HANDLE_VALUE) CloseHandle(item);
  if (read != ERROR_SUCCESS) return L"<unreadable>";
  LPWSTR text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
  const std::wstring dacl = text ? text : L"<unreadable>";
  LocalFree(text);
  LocalFree(sd);
  return dacl;
}

// Lets every user change the folder and what is made in it (a drive's root
// on Windows lets every signed-in user make folders and change them). Done
// on the Linux side, where Wine keeps it (Wine sets no DACL on a drive's
// root): Wine shows a folder others may write as one Everyone may change.
void OpenToEveryone(const std::string& folder) {
  const std::string unix = UnixSide::UnixName(folder);
  ASSERT_FALSE(unix.empty());
  std::string command = "Z:\\bin\\chmod 777 \"" + unix + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine may report a Unix program ended before it has.
  ASSERT_TRUE(WaitUntil([&] { return DaclText(folder).find(L";0x1301ff;;;WD)") != std::wstring::npos; }))
      << DaclText(folder);
}

const wchar_t EveryoneReadsAndRuns[] = L"(A;OICI;0x1200a9;;;WD)";

struct DriveRootCase {
  const char* name;
  bool rootOpen;   // the drive's root lets every user write
  bool protectedProduct;  // the product folder made there keeps other users out
};

std::ostream& operator<<(std::ostream& out, const DriveRootCase& c) { return out << c.name; }

class ProductFolderAtADriveRoot : public ::testing::TestWithParam<DriveRootCase> {};

TEST_P(ProductFolderAtADriveRoot, IsProtectedWhereOthersMayWrite) {
  if (GetParam().rootOpen) OpenToEveryone("C:\\");
  SetProgramFilesFolder("C:\\");
  const Outcome outcome = RunSetup(ProductPackage().Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"Information") << outcome.Boxes[0].Text;
  const std::wstring dacl = DaclText("C:\\" + Product);
  if (GetParam().protectedProduct) {
    // Users may read and run, through their group, as in Program Files; nothing is everyone's.
    EXPECT_EQ(dacl.find(L";;;WD)"), std::wstring::npos) << dacl;
  } else {
    EXPECT_NE(dacl.find(EveryoneReadsAndRuns), std::wstring::npos) << dacl;
  }
  EXPECT_TRUE(FileExists("C:\\" + Product + "\\1.0\\" + KeyFile));
}

INSTANTIATE_TEST_SUITE_P(Roots, ProductFolderAtADriveRoot,
                         ::testing::Values(DriveRootCase{"OpenToOthers", true, true},
                                           DriveRootCase{"AsTheSystemMadeIt", false, false}),
                         [](const ::testing::TestParamInfo<DriveRootCase>& info) { return std::string(info.param.name); });

// Protecting it now would not take back what other users may already have
// put in it: the install refuses it and writes nothing.
TEST(Install, AnExistingProductFolderOthersMayChangeIsRefused) {
  const std::string folder = ProgramFiles + "\\" + Product;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  OpenToEveryone(folder);
  const Outcome outcome = RunSetup(ProductPackage().Bytes());
  ASSERT_EQ(outcome.Boxes.size(), 1u);
  EXPECT_EQ(outcome.Boxes[0].Caption, L"setup");
  EXPECT_EQ(outcome.Boxes[0].Text, L"Setup does not install into a folder that other users can change: " + Wide(folder) + L".");
  EXPECT_TRUE(ReadTree(folder).empty());
  EXPECT_EQ(RegistryKeyOpenResult(RecordKey), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(FolderExists(MenuFolder()));
}

}  // namespace
