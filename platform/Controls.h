// Thin wrappers over child-window handles, for the window's controls.
// The window creates the controls; these only read and change them.
#pragma once

#include <windows.h>

#include <string>

class TControl {
 public:
  HWND Handle = nullptr;

  // Texts go through the wide-character API so that any code page shows.
  void SetText(const std::wstring& text);
  void SetTextA(const std::string& text);  // text in the system code page
  std::wstring Text() const;

  void SetVisible(bool visible);
  bool Visible() const;
  void SetEnabled(bool enabled);
  bool Enabled() const;

  // Position in the parent's client area.
  void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const;
};

// A label sizes itself to its text; a right-justified one keeps its right
// edge and grows or shrinks on its left side.
class TLabel : public TControl {
 public:
  bool RightJustify = false;
  void SetText(const std::wstring& text);
  void SetTextA(const std::string& text);

 private:
  void AutoSize();
};

class TComboBox : public TControl {
 public:
  int ItemIndex() const;
  // Selects from code: raises no change event.
  void SetItemIndex(int index);
};

class TProgressBar : public TControl {
 public:
  int Position() const;
  void SetPosition(int position);
  int Max() const;
};
