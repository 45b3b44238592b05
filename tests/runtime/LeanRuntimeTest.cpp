// setup.exe's stand-ins for the runtime's throw helpers: what the standard
// library throws must still be caught where the program catches errors,
// with a text that says what failed, and memory errors keep their type.
#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <limits>
#include <string>
#include <vector>

TEST(LeanRuntime, LibraryErrorsAreStillStdExceptionsWithTheirText) {
  struct Case {
    const char* Name;
    std::function<void()> Call;
    const char* Text;  // in what()
  };
  const std::string text = "abc";
  const Case table[] = {
      {"string::at", [&] { (void)text.at(7); }, "basic_string::at: __n (which is 7) >= this->size() (which is 3)"},
      {"string::substr", [&] { (void)text.substr(9); }, "basic_string::substr: __pos (which is 9)"},
      {"vector::at", [] { (void)std::vector<int>(2).at(5); }, "(which is 5) >= this->size() (which is 2)"},
      {"string too long", [] { std::string s; s.reserve(s.max_size() + 1); }, "basic_string"},
      {"stoi", [] { (void)std::stoi("x"); }, "stoi"},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.Name);
    try {
      c.Call();
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.Text), std::string::npos) << e.what();
    }
  }
}

TEST(LeanRuntime, MemoryAndCallErrorsKeepTheirTypes) {
  EXPECT_THROW(std::vector<char>(std::numeric_limits<size_t>::max() / 2), std::bad_alloc);
  EXPECT_THROW(std::function<void()>()(), std::bad_function_call);
}

// The record of exceptions in flight and being handled (one for the
// program): nested handlers must each rethrow their own exception.
TEST(LeanRuntime, NestedHandlersKeepTheirOwnExceptions) {
  struct SeesUnwinding {
    int* seen;
    ~SeesUnwinding() { *seen = std::uncaught_exceptions(); }
  };
  int inFlight = -1;
  try {
    SeesUnwinding probe{&inFlight};
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(inFlight, 1);
  EXPECT_EQ(std::uncaught_exceptions(), 0);

  std::string order;
  try {
    try {
      throw std::string("outer");
    } catch (const std::string&) {
      try {
        throw 2;
      } catch (int inner) {
        order += std::to_string(inner);
      }
      EXPECT_TRUE(std::current_exception() != nullptr);
      throw;  // the outer one again
    }
  } catch (const std::string& again) {
    order += again;
  }
  EXPECT_EQ(order, "2outer");
  EXPECT_TRUE(std::current_exception() == nullptr);
}
