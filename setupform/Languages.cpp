// The two interface languages: one table of texts, the labels built from them.
#include <iterator>
#include <string>

#include "SetupForm.h"
#include "Text.h"

namespace {

// The texts of one language. Those that stay English under every language
// ("Start", "Destination Folder:", the combo items, " kb", ...) are not here.
struct TLanguageTexts {
  const wchar_t* Caption;
  const wchar_t* LanguageLabel;
  const wchar_t* ExitButton;
  const wchar_t* Required;
  const wchar_t* Free;
  const wchar_t* Impossible;
  const wchar_t* CancelAsk;
  const wchar_t* InstallOf;
  const wchar_t* Finished;
  const wchar_t* MenuItem;
};

// Indexed by Language: 0 English, 1 Russian. The Russian texts are wide so
// that they show as Cyrillic whatever the system's code page.
constexpr TLanguageTexts LanguageTexts[] = {
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
};

}  // namespace

void TSetupForm::ApplyLanguage() {
  // Any other number keeps the texts already loaded.
  if (Language >= 0 && Language < int32_t(std::size(LanguageTexts))) {
    const TLanguageTexts& texts = LanguageTexts[Language];
    SetWindowTextW(Handle, texts.Caption);
    LanguageLabel.SetText(texts.LanguageLabel);
    ExitButton.SetText(texts.ExitButton);
    TextRequired = texts.Required;
    TextFree = texts.Free;
    TextImpossible = texts.Impossible;
    TextCancelAsk = texts.CancelAsk;
    TextInstallOf = texts.InstallOf;
    TextFinished = texts.Finished;
    TextMenuItem = texts.MenuItem;
  }
  RefreshLabels();
}

void TSetupForm::RefreshLabels() {
  UpdateFreeSpace();
  // Signed division rounds toward zero: -1500 bytes show as -1.
  RequiredLabel.SetText(TextRequired + ToWide(std::to_string(Pack->RequiredSize / 1000)) + L" kb");
  LanguageComboBox.SetItemIndex(Language);
}

void TSetupForm::LanguageComboBoxChange() {
  Language = LanguageComboBox.ItemIndex();
  ApplyLanguage();
}
