#include "FileIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "TextConversion.h"

namespace Mkpkg {

fs::path PathFromUtf8(const std::string& text) { return fs::u8path(text); }

std::string PathToUtf8(const fs::path& path) { return path.u8string(); }

std::string ShowPath(const fs::path& path) { return DisplayUtf8(PathToUtf8(path)); }

FileHandle OpenForReading(const fs::path& path, int& error) {
#ifdef _WIN32
  std::FILE* file = _wfopen(path.c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  error = file ? 0 : errno;
  return FileHandle(file);
}

FileHandle CreateExclusive(const fs::path& path, int& error) {
#ifdef _WIN32
  const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
#endif
  error = errno;
  if (fd >= 0 && !file) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
    std::error_code ignored;
    fs::remove(path, ignored);
  }
  if (file) error = 0;
  return FileHandle(file);
}

bool FlushBuffers(std::FILE* file, int& error) {
  const int result = std::fflush(file);
  error = result == 0 ? 0 : errno;
  return result == 0;
}

std::string ErrorText(int error) { return std::strerror(error); }

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

}  // namespace Mkpkg
