// The two interface languages: one table, the labels built from it.
#include "Languages.h"

#include <iterator>
#include <string>

#include "ManualPaths.h"
#include "ProductSettings.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

// Numbered as the language list shows them. The Russian texts are wide so
// that they show as Cyrillic whatever the system's code page.
constexpr TLanguage LanguageTable[] = {
    {
        L"English",
        {
            L"Setup",
            L"Select the language:",
            L"Exit",
            L"Required: ",
            L"Free: ",
            L" (SETUP IMPOSSIBLE!!!)",
            L"Do your want to cancel setup the ",
            L"The installation of ",
            L" was finished successfully!",
            L"Start menu item: ",
        },
        Package::ManualPaths[0],
        PRODUCT_HOME_PAGE_ENGLISH,
        "E",
        L"en",
    },
    {
        L"Russian",
        {
            L"Установка",
            L"Выберите язык:",
            L"Выход",
            L"Необходимо: ",
            L"Свободно: ",
            L" (УСТАНОВКА НЕВОЗМОЖНА!!!)",
            L"Вы хотите прекратить установку ",
            L"Инсталляция ",
            L" была завершена успешно!",
            L"Пункт стартового меню: ",
        },
        Package::ManualPaths[1],
        PRODUCT_HOME_PAGE_RUSSIAN,
        "R",
        L"ru",
    },
};

static_assert(std::size(Package::ManualPaths) == std::size(LanguageTable), "a manual for each language");

}  // namespace

const TLanguage* FindLanguage(int32_t number) {
  return number >= 0 && number < int32_t(std::size(LanguageTable)) ? &LanguageTable[number] : nullptr;
}

int32_t LanguageNumber(const std::wstring& code) {
  for (int32_t number = 0; const TLanguage* language = FindLanguage(number); ++number)
    if (code == language->Code) return number;
  return -1;
}

void TSetupForm::ApplyLanguage() {
  // No such language keeps the texts already loaded.
  if (const TLanguage* language = FindLanguage(Language)) {
    Texts = &language->Texts;
    SetWindowTextW(Handle, Texts->Caption);
    LanguageLabel.SetText(Texts->LanguageLabel);
    ExitButton.SetText(Texts->ExitButton);
  }
  RefreshLabels();
}

void TSetupForm::RefreshLabels() {
  UpdateFreeSpace();
  // Signed division rounds toward zero: -1500 bytes show as -1.
  RequiredLabel.SetText(Texts->Required + ToWide(std::to_string(Pack->RequiredSize / 1000)) + L" kb");
  LanguageComboBox.SetItemIndex(Language);
}

void TSetupForm::LanguageComboBoxChange() {
  Language = LanguageComboBox.ItemIndex();
  ApplyLanguage();
}
