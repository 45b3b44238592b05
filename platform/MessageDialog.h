// The program's message dialog: a modal box with a text, a type that gives
// its caption and icon, and a set of buttons; returns the button pressed.
#pragma once

#include <functional>
#include <string>

enum class TMsgDlgType { mtError, mtInformation, mtConfirmation };

// A set of buttons: combine with |. They stand in the order Yes, No, OK.
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4 };

// Answers, with the values Windows gives them.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The text is shown through the wide-character API, so a text may mix
// pieces of different code pages once each is converted (see Text.h).
int MessageDlg(const std::wstring& text, TMsgDlgType type, unsigned buttons);
// For texts in the system's ANSI code page.
int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons);

// Lets tests see and answer every box instead of a person. An empty
// function restores the real dialog.
using MessageDlgHook = std::function<int(const std::wstring& text, TMsgDlgType type, unsigned buttons)>;
void SetMessageDlgHook(MessageDlgHook hook);
