// What setup.exe is asked to do by its command line: show its window (no
// arguments), install or remove with no one at the screen (/S), or hand the
// run over to the removal or its cleanup copy. Reads only the text: it
// builds and is tested on any system.
#pragma once

#include <string>

enum class TRunMode {
  Window,         // no arguments: the window, as always
  SilentInstall,  // /S [/LANG=code] [/LOG=file] [/D=folder]
  Removal,        // /remove: the removal with its question and boxes
  SilentRemoval,  // /remove /S [/LOG=file]
  Cleanup,        // the cleanup copy's argument first: the rest is the copy's
  BadArgument,    // anything else; Problem says what
};

struct TCommandLine {
  TRunMode Mode = TRunMode::Window;
  std::wstring Destination;  // /D=: an absolute folder, ending in a backslash; empty for the default
  std::wstring Language;     // /LANG=, in lower case; empty for the default
  std::wstring LogPath;      // /LOG=; empty for no log (also kept when another argument is bad)
  std::wstring Problem;      // for BadArgument: what is wrong, in English
};

// The first arguments that hand the run to another part of the program,
// compared exactly, as that part compares them.
struct THandOverArguments {
  const wchar_t* Removal;
  const wchar_t* Cleanup;
};

// Reads a whole command line, the program's path first (GetCommandLineW).
// The switches' names are compared in any case. Arguments are separated by
// spaces or tabs; double quotes group spaces into one and are dropped.
// /D= is the last argument and takes the rest of the line, spaces included
// ("/D=C:\Program Files\Apps" unquoted, or the whole of it quoted).
TCommandLine ParseCommandLine(const std::wstring& commandLine, const THandOverArguments& handOver);
