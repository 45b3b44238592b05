#include "MessageDialog.h"

#include <windows.h>

namespace {
MessageDlgHook& Hook() {
  static MessageDlgHook hook;
  return hook;
}
}  // namespace

void SetMessageDlgHook(MessageDlgHook hook) { Hook() = std::move(hook); }

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
  if (Hook()) return Hook()(text, type, buttons);
  UINT style = MB_OK;
  if ((buttons & (mbYes | mbNo)) == (mbYes | mbNo)) style = MB_YESNO;
  const char* caption = "Error";
  switch (type) {
    case TMsgDlgType::mtError: style |= MB_ICONSTOP; break;
    case TMsgDlgType::mtInformation: style |= MB_ICONINFORMATION; caption = "Information"; break;
    case TMsgDlgType::mtConfirmation: style |= MB_ICONQUESTION; caption = "Confirm"; break;
  }
  return MessageBoxA(nullptr, text.c_str(), caption, style | MB_TASKMODAL);
}
