// The destination folder and the check that its volume has room.
#include "DiskSpace.h"
#include "FolderChooser.h"
#include "SetupForm.h"
#include "SpecialFolder.h"
#include "Text.h"
#include "UserPrograms.h"

namespace {
constexpr char DefaultBaseDir[] = "C:\\Program Files\\";
constexpr char ChooserInstruction[] = "Directory for setup:";
}  // namespace

void TSetupForm::InitDestination() {
  BaseDir = DefaultBaseDir;
  std::string programFiles;
  if (SpecialFolderPath(Handle, FolderProgramFiles, programFiles)) BaseDir = programFiles + "\\";
  // Where this process may not write (a standard user, or an administrator
  // who declined elevation) the user's own programs folder is the default.
  std::string userPrograms;
  if (RefusesNewItems(BaseDir) && UserProgramsFolder(userPrograms)) BaseDir = userPrograms + "\\";
  FolderLabel.SetTextA(BaseDir + Pack->FolderName);
  UpdateFreeSpace();
}

void TSetupForm::FolderLabelClick() { ChooseDestination(); }

void TSetupForm::ChooseDestination() {
  // The chooser empties the folder it is given when that folder has
  // vanished; work on a copy so that a cancel leaves the destination (and
  // the label that shows it) as they were.
  std::string chosen = BaseDir;
  if (!SelectDirectory(ChooserInstruction, chosen, Handle) || chosen.empty()) return;
  BaseDir = chosen;
  if (BaseDir.back() != '\\') BaseDir += '\\';
  SetCurrentDirectoryA(BaseDir.c_str());
  FolderLabel.SetTextA(BaseDir + Pack->FolderName);
  UpdateFreeSpace();
}

bool TSetupForm::HasRoom() const { return int64_t(Pack->RequiredSize) <= FreeSpace; }

void TSetupForm::UpdateFreeSpace() {
  // Measured where the installation will go, so that a Program Files folder
  // on another drive, a mounted folder or a network share counts its own
  // room. Before there is a destination there is nothing to measure.
  if (BaseDir.empty()) return;
  FreeSpace = FreeSpaceAt(BaseDir);
  FreeLabel.SetText(Texts->Free + ToWide(std::to_string(FreeSpace / 1000)) + L" kb");
  if (!HasRoom()) {
    StartButton.SetEnabled(false);
    FreeLabel.SetText(FreeLabel.Text() + Texts->Impossible);
  } else {
    StartButton.SetEnabled(true);
  }
}
