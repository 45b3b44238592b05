#include "SilentRun.h"

#include <windows.h>

#include <string>

#include "Application.h"
#include "ComApartment.h"
#include "ExitCodes.h"
#include "Languages.h"
#include "ProductLock.h"
#include "RemovalMode.h"
#include "SetupForm.h"
#include "Text.h"
#include "Unattended.h"

namespace {

int BadArgument(const std::wstring& problem) {
  LogLine(L"Bad argument: " + problem);
  return ExitBadArgument;
}

// The destination in the system's code page, as the window keeps it; false
// when it holds a character the code page lacks.
bool DestinationInCodePage(const std::wstring& destination, std::string& baseDir) {
  baseDir = FromWide(destination);
  return ToWide(baseDir) == destination;
}

// The window's own steps, on a window that is made but never shown: the
// package loaded as the window loads it, the language and the destination
// set as a person would set them, then what Start does.
int Install(const TCommandLine& line, TSetupForm& form) {
  const int32_t language = line.Language.empty() ? 0 : LanguageNumber(line.Language);
  if (language < 0) return BadArgument(L"/LANG= names no language of this setup program: " + line.Language);
  std::string baseDir;
  if (!line.Destination.empty() && !DestinationInCodePage(line.Destination, baseDir))
    return BadArgument(L"/D= holds a character the system's code page lacks: " + line.Destination);

  TComApartment com;
  Application.Initialize();
  form.Create();
  if (!form.Ready) return ExitBadPackage;  // the reason is logged by now
  LogLine(L"Package loaded: " + ToWide(form.Pack->Title));
  const TProductLock lock(ToWide(form.Pack->FolderName));
  if (!lock.Held()) {
    LogLine(L"Another setup of " + ToWide(form.Pack->FolderName) + L" is running");
    return ExitAnotherInstall;
  }

  form.Language = language;
  form.ApplyLanguage();
  if (!baseDir.empty()) form.BaseDir = baseDir;
  form.UpdateFreeSpace();
  LogLine(std::wstring(L"Language: ") + FindLanguage(language)->Name);
  LogLine(L"Destination: " + ToWide(form.BaseDir));
  LogLine(L"Required: " + ToWide(std::to_string(form.Pack->RequiredSize)) + L" bytes, free: " +
          ToWide(std::to_string(form.FreeSpace)) + L" bytes");
  // Where the window would not let Start be pressed.
  if (!form.HasRoom()) {
    LogLine(L"Not enough room at the destination: nothing was installed");
    return ExitFailed;
  }

  try {
    form.Install();
  } catch (...) {
    // After the completion message: the record or the entry could not be
    // written, and the product stays.
    Application.HandleException();
    if (form.Installed) LogLine(L"The product stays installed without it");
    return ExitFailed;
  }
  return form.Installed ? ExitSuccess : ExitFailed;
}

int Remove() {
  int removal = Removal::ExitLeft;
  Removal::RunRemovalIfAsked(removal);
  switch (removal) {
    case Removal::ExitRemoved:
      return ExitSuccess;
    case ExitAnotherInstall:
      LogLine(L"Another setup of the product is running");
      return ExitAnotherInstall;
    case Removal::ExitLeft:
      LogLine(L"What could not be removed stays, with the record and the uninstaller: run it again once it is free");
      return ExitFailed;
    default:  // refused: nothing was removed
      return ExitFailed;
  }
}

}  // namespace

int RunSilent(const TCommandLine& line, TSetupForm& form) {
  // A log that cannot be written does not keep a bad argument from being named by its code.
  if (!StartUnattended(line.LogPath) && line.Mode != TRunMode::BadArgument) return ExitLogFailure;
  LogLine(std::wstring(L"Command line: ") + GetCommandLineW());
  int code = ExitFailed;
  switch (line.Mode) {
    case TRunMode::SilentInstall:
      code = Install(line, form);
      break;
    case TRunMode::SilentRemoval:
      code = Remove();
      break;
    default:
      code = BadArgument(line.Problem);
      break;
  }
  LogLine(L"Exit code: " + ToWide(std::to_string(code)));
  return code;
}
