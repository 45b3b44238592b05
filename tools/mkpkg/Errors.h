// What the package tool reports: a failure (exit 1) or a bad command line
// (exit 2). Both carry the whole message, without the "mkpkg: " prefix.
#pragma once

#include <stdexcept>
#include <string>

namespace Mkpkg {

class MkpkgError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class UsageError : public MkpkgError {
 public:
  using MkpkgError::MkpkgError;
};

}  // namespace Mkpkg
