// mkpkg's command line: a command and its options.
#pragma once

#include <string>
#include <vector>

#include "MakePackage.h"

namespace Mkpkg {

enum class Action { Help, Version, Make, List, Verify, Digest };

struct Command {
  Action What = Action::Help;
  MakeOptions Make;     // Action::Make
  std::string Package;  // Action::List, Action::Verify, Action::Digest (any file)
  int CodePage = 0;     // Action::List, Action::Verify: for showing names
};

// args without the program's name. Throws UsageError.
Command ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();

}  // namespace Mkpkg
