// The interface languages: one row each, numbered as the language list
// shows them, holding everything that differs from one language to another.
#pragma once

#include <cstdint>
#include <string>

// The texts of one language. Those that stay English under every language
// ("Start", "Destination Folder:", " kb", ...) are not here.
struct TLanguageTexts {
  const wchar_t* Caption;
  const wchar_t* LanguageLabel;
  const wchar_t* ExitButton;
  const wchar_t* Required;
  const wchar_t* Free;
  const wchar_t* Impossible;
  const wchar_t* CancelAsk;
  const wchar_t* InstallOf;
  const wchar_t* Finished;
  const wchar_t* MenuItem;
};

struct TLanguage {
  const wchar_t* Name;         // in the language list, in English
  TLanguageTexts Texts;
  const char* Manual;          // the manual's link target, relative to the main program's folder
  const char* HomePage;        // the vendor's address, from the product settings
  const char* RegistryLetter;  // the record's "Language" value
  const wchar_t* Code;         // what a silent install's /LANG= names it by, in lower case
};

// The language of that number; null when there is no such language, which
// also ends a walk through them all from 0.
const TLanguage* FindLanguage(int32_t number);
// The number of the language of that code ("en"); -1 when there is none.
int32_t LanguageNumber(const std::wstring& code);
