// Where a package's bytes go.
#pragma once

#include <cstddef>

namespace Mkpkg {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all bytes or throws MkpkgError.
  virtual void Write(const void* data, size_t size) = 0;
};

}  // namespace Mkpkg
