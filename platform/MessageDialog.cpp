#include "MessageDialog.h"

#include <windows.h>

#include "Text.h"

namespace {
MessageDlgHook& Hook() {
  static MessageDlgHook hook;
  return hook;
}
}  // namespace

void SetMessageDlgHook(MessageDlgHook hook) { Hook() = std::move(hook); }

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
  return MessageDlg(ToWide(text), type, buttons);
}

// A plain system box until the program's own dialog is in place.
int MessageDlg(const std::wstring& text, TMsgDlgType type, unsigned buttons) {
  if (Hook()) return Hook()(text, type, buttons);
  UINT style = MB_OK;
  if ((buttons & (mbYes | mbNo)) == (mbYes | mbNo)) style = MB_YESNO;
  const wchar_t* caption = L"Error";
  switch (type) {
    case TMsgDlgType::mtError: style |= MB_ICONSTOP; break;
    case TMsgDlgType::mtInformation: style |= MB_ICONINFORMATION; caption = L"Information"; break;
    case TMsgDlgType::mtConfirmation: style |= MB_ICONQUESTION; caption = L"Confirm"; break;
  }
  return MessageBoxW(nullptr, text.c_str(), caption, style | MB_TASKMODAL);
}
