#include "Errors.h"

namespace {

struct IoText {
  int code;
  const char* text;
};

constexpr IoText IoTexts[] = {
    {2, "File not found"},
    {3, "Invalid filename"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {EInOutError::ShortRead, "Read beyond end of file"},
    {EInOutError::ShortWrite, "Disk full"},
    {106, "Invalid numeric input"},
};

}  // namespace

std::string IoErrorMessage(int code) {
  for (const IoText& t : IoTexts)
    if (t.code == code) return t.text;
  return "I/O error " + std::to_string(code);
}

EInOutError::EInOutError(int code) : Exception(IoErrorMessage(code)), ErrorCode(code) {}
