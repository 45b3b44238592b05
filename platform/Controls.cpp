#include "Controls.h"

// Placeholder until the window's controls are written.
void TControl::SetText(const std::wstring&) {}
void TControl::SetTextA(const std::string&) {}
std::wstring TControl::Text() const { return {}; }
void TControl::SetVisible(bool) {}
bool TControl::Visible() const { return false; }
void TControl::SetEnabled(bool) {}
bool TControl::Enabled() const { return false; }
void TControl::SetBounds(int, int, int, int) {}
RECT TControl::BoundsRect() const { return {}; }
void TLabel::SetText(const std::wstring&) {}
void TLabel::SetTextA(const std::string&) {}
void TLabel::AutoSize() {}
int TComboBox::ItemIndex() const { return -1; }
void TComboBox::SetItemIndex(int) {}
int TProgressBar::Position() const { return 0; }
void TProgressBar::SetPosition(int) {}
int TProgressBar::Max() const { return 0; }
