#include "SetupForm.h"

// Placeholder until the install sequence is written.
void TSetupForm::Install() {}
void TSetupForm::StepProgress() {}
void TSetupForm::StartButtonClick() {}
