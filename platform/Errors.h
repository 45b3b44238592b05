// The program's error classes. Every error that escapes a window handler is
// shown by the application's exception display with its Message.
#pragma once

#include <string>

// Base of every error the program raises on purpose.
class Exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  virtual ~Exception() = default;
  std::string Message;
};

// A silent error: the exception display drops it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A failed file-system operation, with the system's error code or one of
// the runtime's own codes below.
class EInOutError : public Exception {
 public:
  static constexpr int ShortRead = 100;
  static constexpr int ShortWrite = 101;
  static constexpr int BadNumericInput = 106;
  explicit EInOutError(int code);
  // A refusal of the program's own, with the code the system would give it.
  EInOutError(int code, std::string message) : Exception(std::move(message)), ErrorCode(code) {}
  int ErrorCode;
};

// The message an I/O error code is shown with ("I/O error %d" when unnamed).
std::string IoErrorMessage(int code);

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// A failed COM call, carrying the system's text for its result code.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::string message, long errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  long ErrorCode;
};

// An object that does not offer an interface the program needs.
class EIntfCastError : public Exception {
 public:
  EIntfCastError() : Exception("Interface not supported") {}
};
