#include "SetupForm.h"

#include "LoadProgress.h"
#include "MessageDialog.h"
#include "MessagePump.h"
#include "PackagePin.h"
#include "RemovalRecord.h"
#include "Text.h"

void TSetupForm::FormCreate() {
  Pack = std::make_unique<TUnPack>();
  Pack->Pin = PackagePin();
  // The uninstaller and its record are the program's own in the version folder.
  Pack->ReservedNames = {FromWide(Removal::UninstallerName), FromWide(Removal::RecordName)};
  TUnPackOutcome loaded;
  {
    TLoadProgress progress;
    Pack->OnLoadProgress = [&progress](int32_t done, int32_t total) { progress.Update(done, total); };
    loaded = Pack->LoadPackage("data.z");
    Pack->OnLoadProgress = nullptr;
  }
  if (!ShowPackageProblems(loaded)) {
    // The window shows for a moment at most.
    Terminate();
    return;
  }
  const std::string menuProblem = MenuFolderProblem();
  if (!menuProblem.empty()) {
    MessageDlg("Bad format of file: \"data.z\"\r\n" + menuProblem, TMsgDlgType::mtError, mbOK);
    Terminate();
    return;
  }
  Language = 0;
  ApplyLanguage();
  InitDestination();
  Ready = true;

  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  MoveWindow(Handle, workArea.left, workArea.top, workArea.right - workArea.left, workArea.bottom - workArea.top,
             FALSE);
}

bool TSetupForm::ShowPackageProblems(const TUnPackOutcome& outcome) {
  for (const std::string& text : Pack->Messages(outcome)) MessageDlg(text, TMsgDlgType::mtError, mbOK);
  return outcome.Sound();
}

// Any answer but No (Yes, or the box's own close button) ends the program.
void TSetupForm::ExitButtonClick() {
  const std::wstring question = Texts->CancelAsk + (Pack ? ToWide(Pack->Title, CodePageAnsi) : std::wstring()) + L"?";
  if (MessageDlg(question, TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrNo) Close();
}

// The main window's close asks the program to end; the window stays until
// the program shuts down.
void TSetupForm::Close() { Terminate(); }
