#include "SetupForm.h"

// Placeholder until the installation record is written.
void TSetupForm::WriteRegistry() {}
