#include "SetupForm.h"

// Placeholder until the interface languages are written.
void TSetupForm::ApplyLanguage() {}
void TSetupForm::RefreshLabels() {}
void TSetupForm::LanguageComboBoxChange() {}
