#include "SetupForm.h"

// Placeholder until the Start-menu shortcuts are written.
void TSetupForm::CreateShortcuts() {}
bool TSetupForm::FindProgramsFolder() { return false; }
void TSetupForm::CreateLNK(const std::string&, const std::string&, const std::string&) {}
