#include "SetupForm.h"

// Placeholder until the window is written.
void TSetupForm::FormCreate() {}
void TSetupForm::FormActivate() {}
void TSetupForm::FormResize() {}
void TSetupForm::FormPaint() {}
void TSetupForm::PaintBoxPaint() {}
void TSetupForm::ExitButtonClick() {}
void TSetupForm::PaintFrame() {}
void TSetupForm::Close() {}
