// The Start-menu folder of the installed version and its three links: the
// main program, the manual and the home page of the chosen language.
#include <windows.h>
#include <shlobj.h>

#include "ComObject.h"
#include "Environment.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Languages.h"
#include "NewFile.h"
#include "Path.h"
#include "ProductSettings.h"
#include "Registry.h"
#include "SetupForm.h"
#include "SpecialFolder.h"
#include "SystemNameText.h"
#include "Text.h"

namespace {

const char ExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const char ProgramsValue[] = "Programs";
// The one environment reference expanded, and only at the start, in exactly this case.
const std::string UserProfileReference = "%USERPROFILE%";

// The "Programs" value of one Explorer shell-folder key of the user's, as
// stored. A key that cannot be opened, a missing value or a failed read give
// false and leave programsDir alone. The key is closed on every way out.
bool ReadProgramsValue(const std::string& keyName, std::string& programsDir) {
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(ExplorerKey + keyName, false)) return false;
  if (!registry.ValueExists(ProgramsValue)) return false;
  try {
    programsDir = registry.ReadString(ProgramsValue);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

void ExpandUserProfile(std::string& programsDir) {
  if (programsDir.compare(0, UserProfileReference.size(), UserProfileReference) != 0) return;
  programsDir = EnvironmentVariable("USERPROFILE") + programsDir.substr(UserProfileReference.size());
}

}  // namespace

bool TSetupForm::FindProgramsFolder() {
  ProgramsDir.clear();
  ProgramsName.clear();
  const bool found =
      ReadProgramsValue("User shell folders", ProgramsDir) || ReadProgramsValue("Shell folders", ProgramsDir);
  ExpandUserProfile(ProgramsDir);
  ProgramsName = LastComponent(ProgramsDir);
  return found;
}

namespace {

constexpr int FolderStartup = 7;  // CSIDL_STARTUP

bool SamePath(const std::string& a, const std::string& b) {
  const std::wstring wideA = ToWide(a, CodePageAnsi), wideB = ToWide(b, CodePageAnsi);
  return CompareStringOrdinal(wideA.c_str(), int(wideA.size()), wideB.c_str(), int(wideB.size()), TRUE) ==
         CSTR_EQUAL;
}

bool SameOrBelow(const std::string& path, const std::string& folder) {
  return SamePath(path, folder) ||
         (path.size() > folder.size() && path[folder.size()] == '\\' && SamePath(path.substr(0, folder.size()), folder));
}

}  // namespace

// The links go into a folder of the product's own below Programs. With no
// folder name and no version folder name that would be Programs itself;
// named so, the Startup folder or one below it, whose links run at every
// logon. Such a package is refused before anything is written.
std::string TSetupForm::MenuFolderProblem() {
  std::string below = Pack->FolderName;
  if (!Pack->LoadedRootDirName.empty()) below += (below.empty() ? "" : "\\") + Pack->LoadedRootDirName;
  if (below.empty()) return "no folder name and no version folder name: the Start-menu items would go into Programs itself";
  std::string startup;
  if (FindProgramsFolder() && SpecialFolderPath(Handle, FolderStartup, startup) &&
      SameOrBelow(JoinPath(ProgramsDir, below), startup))
    return "Start-menu folder " + Package::QuotedName(below, SystemNameText()) +
           " lies in the Startup folder, whose items run at every logon";
  return {};
}

void TSetupForm::CreateShortcuts() {
  MenuFolder.clear();
  MenuItem.clear();
  if (!FindProgramsFolder()) return;
  StepProgress();  // Shortcuts::FolderProgressStops
  // Held while the links are written, let go of at every way out.
  const TChainRelease release(MenuChain);
  try {
    MenuChain.Start(ProgramsDir);
  } catch (const EInOutError&) {
    return;  // no Programs folder to put links in
  }
  for (const std::string& name : {Pack->FolderName, Pack->RootDirName})
    if (MenuChain.Enter(name, &Created))
      RemovalRecord.Add(Removal::Kind::MenuFolder, ToWide(MenuChain.Path(), CodePageAnsi), MenuChain.Identity());
  MenuFolder = JoinPath(JoinPath(ProgramsDir, Pack->FolderName), Pack->RootDirName);
  MenuItem = ProgramsName + "\\" + Pack->FolderName + "\\" + Pack->RootDirName + "\\" + Pack->FolderName;

  // The vendor's description is UTF-8; the link takes the system's code page.
  CreateLNK(FromWide(ToWide(PRODUCT_PROGRAM_LINK_DESCRIPTION, CodePageUtf8)), Pack->KeyFilePath,
            PRODUCT_PROGRAM_LINK_NAME);
  const TLanguage* language = FindLanguage(Language);
  if (!language) return;
  CreateLNK("MANUAL", FolderOf(Pack->KeyFilePath) + language->Manual, "Manual");
  CreateLNK("Home page", language->HomePage, "Web");
}

// Steps the progress bar after each of its six parts (Shortcuts::LinkProgressStops).
void TSetupForm::CreateLNK(const std::string& description, const std::string& target, const std::string& linkName) {
  const ComPtr<IUnknown> object = CreateComObject(CLSID_ShellLink);
  const ComPtr<IShellLinkA> link = QueryInterfaceOrRaise<IShellLinkA>(object, IID_IShellLinkA);
  StepProgress();
  // Only whether the link can be saved at all is looked at: a target that
  // does not exist yet (or a web address) is still a link worth writing.
  link->SetPath(target.c_str());
  StepProgress();
  link->SetWorkingDirectory(FolderOf(Pack->KeyFilePath).c_str());
  StepProgress();
  link->SetDescription(description.c_str());
  StepProgress();
  // A link that was not saved must not be announced: the install stops
  // here, before the completion message and the record.
  const std::string bytes = PersistedBytes(object);
  StepProgress();
  // Written through the menu folder held: a link of that name that was
  // there is replaced only by a complete one, and comes back if the install
  // is taken back.
  const std::string linkPath = JoinPath(MenuFolder, linkName + ".lnk");
  TNewFile linkFile(MenuChain, linkName + ".lnk", &Created);
  WriteWhole(linkFile.File(), bytes.data(), uint32_t(bytes.size()));
  linkFile.PutInPlace();
  RemovalRecord.Add(linkFile.Replacing() ? Removal::Kind::Replaced : Removal::Kind::Link, ToWide(linkPath, CodePageAnsi),
                    linkFile.Identity());
  StepProgress();
}
