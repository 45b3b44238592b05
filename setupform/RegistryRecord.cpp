// The installation record under HKEY_CURRENT_USER\Software\<product folder>:
// where this version went, its Start-menu folder, and the language chosen.
#include "Languages.h"
#include "Registry.h"
#include "SetupForm.h"

void TSetupForm::WriteRegistry(const std::string& installDir) {
  // Without a product folder name the keys below would be Software's own
  // (HKEY_CURRENT_USER\Software\Versions): the record belongs to no product.
  if (Pack->FolderName.empty()) return;
  // Released, with any key still open, on every way out.
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  const std::string productKey = "Software\\" + Pack->FolderName;

  if (registry.OpenKey(productKey + "\\Versions\\" + Pack->RootDirName, true)) {
    registry.WriteString("Destination folder", installDir);
    registry.WriteString("Start menu folder", MenuFolder);
    registry.CloseKey();
  }

  if (registry.OpenKey(productKey + "\\General\\", true)) {
    // No letter is recorded for no such language.
    if (const TLanguage* language = FindLanguage(Language)) registry.WriteString("Language", language->RegistryLetter);
    registry.CloseKey();
  }
}
