#include "Errors.h"

#include <winerror.h>

namespace {

struct IoText {
  int code;
  const char* text;
};

constexpr IoText IoTexts[] = {
    {ERROR_FILE_NOT_FOUND, "File not found"},
    {ERROR_PATH_NOT_FOUND, "Invalid filename"},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
    {ERROR_ACCESS_DENIED, "File access denied"},
    {EInOutError::ShortRead, "Read beyond end of file"},
    {EInOutError::ShortWrite, "Disk full"},
    {EInOutError::BadNumericInput, "Invalid numeric input"},
};

}  // namespace

std::string IoErrorMessage(int code) {
  for (const IoText& t : IoTexts)
    if (t.code == code) return t.text;
  return "I/O error " + std::to_string(code);
}

EInOutError::EInOutError(int code) : Exception(IoErrorMessage(code)), ErrorCode(code) {}
