// The install sequence behind the Start button: the progress display, the
// product folder, the extraction, the shortcuts, the completion message and
// the registry record; the window closes on every way out.
#include <windows.h>

#include <algorithm>

#include "FileSystem.h"
#include "MessageDialog.h"
#include "MessagePump.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

// The group box's caption while installing; English under both languages.
const wchar_t ProgressCaption[] = L"Progress";

void ShowProgressDisplay(TSetupForm& form) {
  TControl* const choosing[] = {&form.FolderCaptionLabel, &form.FolderLabel, &form.LanguageLabel, &form.LanguageComboBox};
  for (TControl* control : choosing) control->SetVisible(false);
  form.ProgressBar.SetVisible(true);
  form.StartButton.SetEnabled(false);
  form.GroupBox.SetText(ProgressCaption);
  // Paint now: no messages are handled before the first progress stop.
  RedrawWindow(form.Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Makes the product folder under the current directory unless it exists.
void EnsureProductFolder(const std::string& folderName) {
  const std::string folder = folderName + "\\";
  if (!SetCurrentDir(folder)) CreateDir(folder);
}

void RunInstallSteps(TSetupForm& form) {
  ShowProgressDisplay(form);

  if (!SetCurrentDir(form.BaseDir)) {
    MessageDlg("Can not find directory: " + form.BaseDir + "\r\nSetup will be terminated", TMsgDlgType::mtError, mbOK);
    Terminate();
    return;
  }
  EnsureProductFolder(form.FolderName);
  form.InstallDir = form.BaseDir + form.FolderName;

  TUnPack& pack = *form.Pack;
  pack.TargetDir = form.InstallDir;
  pack.OnProgress = [&form] { form.StepProgress(); };
  form.ProgressBar.SetPosition(0);
  pack.Extract();
  // The extractor has shown what was wrong with the package: an incomplete
  // product gets no shortcuts, no success message and no record.
  if (pack.ExtractReportedProblem) return;
  form.InstallDir += "\\" + pack.RootDirName;

  form.CreateShortcuts();

  std::wstring text = form.TextInstallOf + ToWide(pack.Title, CodePageAnsi) + form.TextFinished;
  if (!form.MenuItem.empty()) text += L"\r\n\r\n" + form.TextMenuItem + ToWide(form.MenuItem, CodePageAnsi);
  // The answer does not matter: after a confirmed Exit the box closes by
  // itself with Cancel, and the record is still written.
  MessageDlg(text, TMsgDlgType::mtInformation, mbOK);

  form.WriteRegistry();
}

}  // namespace

void TSetupForm::StartButtonClick() { Install(); }

void TSetupForm::Install() {
  try {
    RunInstallSteps(*this);
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void TSetupForm::StepProgress() { ProgressBar.SetPosition(std::min(ProgressBar.Position() + 1, ProgressBar.Max())); }
