// mkpkg as a whole: parses the command line, runs the command, prints the
// result and returns the exit status (0 success, 1 failure, 2 usage).
#pragma once

#include <string>
#include <vector>

namespace Mkpkg {

int RunMkpkg(const std::vector<std::string>& args);

}  // namespace Mkpkg
