#include "SetupForm.h"

// Placeholder until the destination and disk space are written.
void TSetupForm::InitDestination() {}
void TSetupForm::ChooseDestination() {}
void TSetupForm::UpdateFreeSpace() {}
void TSetupForm::FolderLabelClick() {}
