// The installation record under HKEY_CURRENT_USER\Software\<product folder>:
// where this version went, its Start-menu folder, and the language chosen.
#include "Registry.h"
#include "SetupForm.h"

namespace {

// Indexed by Language; no letter is recorded for any other value.
const char* const LanguageLetters[] = {"E", "R"};

}  // namespace

void TSetupForm::WriteRegistry() {
  // Without a product folder name the keys below would be Software's own
  // (HKEY_CURRENT_USER\Software\Versions): the record belongs to no product.
  if (FolderName.empty()) return;
  // Released, with any key still open, on every way out.
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  const std::string productKey = "Software\\" + FolderName;

  if (registry.OpenKey(productKey + "\\Versions\\" + Pack->RootDirName, true)) {
    registry.WriteString("Destination folder", InstallDir);
    registry.WriteString("Start menu folder", MenuFolder);
    registry.CloseKey();
  }

  if (registry.OpenKey(productKey + "\\General\\", true)) {
    if (Language == 0 || Language == 1) registry.WriteString("Language", LanguageLetters[Language]);
    registry.CloseKey();
  }
}
