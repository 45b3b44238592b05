// The install sequence behind the Start button: the progress display, the
// product folder, the extraction, the shortcuts, the completion message and
// the registry record; the window closes on every way out. An install that
// does not get to its completion message (an error, a problem of the
// package, or the user ending the program during the extraction) takes back
// everything it created.
#include <windows.h>

#include <algorithm>

#include "Application.h"
#include "FolderChain.h"
#include "MessageDialog.h"
#include "MessagePump.h"
#include "ProductFolderGuard.h"
#include "SetupForm.h"
#include "Text.h"
#include "Unattended.h"

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

// The steps that put the product on disk, below the destination where
// `product` starts. False when the extraction found a problem of the
// package (shown by now): an incomplete product gets no shortcuts. An
// error, or EAbort when the user ended the program at a progress stop,
// leaves through here.
bool CreateProduct(TSetupForm& form, TFolderChain& product) {
  TUnPack& pack = *form.Pack;
  // The product folder under the destination, made unless it exists.
  const TProductFolderGuard guard(product);
  const bool productMade = product.Enter(pack.FolderName, &form.Created);
  if (!pack.FolderName.empty()) guard.Apply(product, productMade);
  form.StartRemovalRecord(product, productMade);
  LogLine(L"Extracting the files into " + ToWide(product.Path()));
  const size_t productDepth = product.Depth();

  pack.OnProgress = [&form] {
    form.StepProgress();
    ProcessMessagesOrAbort();
  };
  pack.Created = &form.Created;
  form.ProgressBar.SetPosition(0);
  if (!form.ShowPackageProblems(pack.Extract(product))) return false;
  // Back in the product folder, whatever leave records the package lacked.
  while (product.Depth() > productDepth) product.Leave();
  LogLine(L"Files extracted");

  form.CreateShortcuts();
  LogLine(form.MenuFolder.empty() ? std::wstring(L"No Start-menu folder: no links made")
                                  : L"Start-menu links made in " + ToWide(form.MenuFolder));
  return true;
}

// What could not be removed; English under both languages, as the other failures.
std::string LeftItemsText(const TLeftItems& left) {
  std::string text = "Can not remove " + left.First;
  if (left.Count > 1) text += "\r\nand " + std::to_string(left.Count - 1) + " more of the items setup created";
  return text;
}

// Removes what this run created, the progress bar running back meanwhile
// and the window kept alive; then says what could not be removed.
void TakeBackCreated(TSetupForm& form) {
  if (form.Created.Empty()) return;
  LogLine(L"Taking back what this run created");
  // Nothing is left to cancel.
  form.ExitButton.SetEnabled(false);
  const int start = form.ProgressBar.Position();
  const TLeftItems left = form.Created.Remove([&form, start](size_t done, size_t total) {
    form.ProgressBar.SetPosition(int(start - int64_t(start) * int64_t(done) / int64_t(total)));
    ProcessMessages();
  });
  if (left.Count == 0) {
    LogLine(L"Taken back");
    return;
  }
  // Also when the user ended the program: this is the last they hear of it.
  TEndRequestHeld held;
  MessageDlg(LeftItemsText(left), TMsgDlgType::mtError, mbOK);
}

void RunInstallSteps(TSetupForm& form) {
  ShowProgressDisplay(form);

  // From the destination down to where the install writes.
  TFolderChain product;
  if (!product.TryStart(form.BaseDir)) {
    MessageDlg("Can not find directory: " + form.BaseDir + "\r\nSetup will be terminated", TMsgDlgType::mtError, mbOK);
    Terminate();
    return;
  }
  // Held until the product is complete; a take-back must be able to remove it.
  TChainRelease release(product);
  bool created = false;
  try {
    created = CreateProduct(form, product);
  } catch (...) {
    // The error first, as it would be shown anyway (an EAbort, the user's own
    // end, silently); then its consequence, the removal.
    Application.HandleException();
  }
  // Or the extractor has shown what was wrong with the package.
  if (!created) {
    product.Release();
    TakeBackCreated(form);
    return;
  }

  // Complete: what it replaced is no longer needed.
  form.Created.Commit();
  form.Installed = true;

  const TUnPack& pack = *form.Pack;
  const TLanguageTexts& texts = *form.Texts;
  std::wstring text = texts.InstallOf + ToWide(pack.Title, CodePageAnsi) + texts.Finished;
  if (!form.MenuItem.empty()) text += L"\r\n\r\n" + std::wstring(texts.MenuItem) + ToWide(form.MenuItem, CodePageAnsi);
  // From here on the install is complete: a record that cannot be written
  // is reported, and nothing is taken back.
  MessageDlg(text, TMsgDlgType::mtInformation, mbOK);

  form.WriteRegistry(form.BaseDir + pack.FolderName + "\\" + pack.RootDirName);
  form.WriteUninstallEntry(product);
  // Both are written only for a product with a folder name.
  if (!pack.FolderName.empty())
    LogLine(L"Record written under HKEY_CURRENT_USER\\Software\\" + ToWide(pack.FolderName) +
            L", and the entry in the list of programs");
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
