// Smaller stand-ins for parts of the static C++ runtime, linked into
// setup.exe only. MinGW's unwind tables keep every function of a runtime
// object file that the program touches, so one call can cost tens of KB:
//
// - The helpers that the standard library calls to throw logic_error,
//   runtime_error and their kin build those from the library's old
//   reference-counted string, which pulls in that whole string type (about
//   50 KB). Here they throw LibraryFault, an std::exception with the same
//   what() text (up to 159 bytes). Setup catches no such type by name: "catch (const
//   std::exception&)" and "catch (...)" see both. The memory and cast
//   errors keep their own types (their objects are small), and so does a
//   call of an empty std::function (thrown from the library's own small
//   object, which these must not define again).
// - A failed library assertion (_GLIBCXX_ASSERTIONS, on in the release
//   build) ends the program at once, as the library's handler does, without
//   that handler's report to the console a GUI program does not have (it
//   pulls in the demangler and printf: about 60 KB).
// - std::terminate's default handler likewise only writes to that console
//   (and needs the demangler too): abort is what is left of it.
#include "TargetGuard.h"

#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryFault : public std::exception {
 public:
  explicit LibraryFault(const char* text) { Append(text); }
  const char* what() const noexcept override { return text_; }

  void Append(const char* piece) {
    while (*piece && length_ + 1 < sizeof text_) text_[length_++] = *piece++;
    text_[length_] = '\0';
  }
  void AppendNumber(unsigned long long number) {
    char digits[24];
    char* start = digits + sizeof digits - 1;
    *start = '\0';
    do *--start = char('0' + number % 10); while (number /= 10);
    Append(start);
  }

 private:
  char text_[160] = "";
  size_t length_ = 0;
};

// The library's formats use %s for the operation's name and %zu or %lu for
// numbers; nothing else needs printf.
LibraryFault Formatted(const char* format, va_list arguments) {
  LibraryFault fault("");
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      fault.Append(va_arg(arguments, const char*));
      ++p;
    } else if (p[0] == '%' && (p[1] == 'z' || p[1] == 'l') && p[2] == 'u') {
      fault.AppendNumber(p[1] == 'z' ? va_arg(arguments, size_t) : va_arg(arguments, unsigned long));
      p += 2;
    } else {
      const char single[2] = {*p, '\0'};
      fault.Append(single);
      if (p[0] == '%' && p[1] == '%') ++p;
    }
  }
  return fault;
}

}  // namespace

namespace std {

void __throw_logic_error(const char* what) { throw LibraryFault(what); }
void __throw_domain_error(const char* what) { throw LibraryFault(what); }
void __throw_invalid_argument(const char* what) { throw LibraryFault(what); }
void __throw_length_error(const char* what) { throw LibraryFault(what); }
void __throw_out_of_range(const char* what) { throw LibraryFault(what); }
void __throw_out_of_range_fmt(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  LibraryFault fault = Formatted(format, arguments);
  va_end(arguments);
  throw fault;
}
void __throw_runtime_error(const char* what) { throw LibraryFault(what); }
void __throw_range_error(const char* what) { throw LibraryFault(what); }
void __throw_overflow_error(const char* what) { throw LibraryFault(what); }
void __throw_underflow_error(const char* what) { throw LibraryFault(what); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }

void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { std::abort(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
