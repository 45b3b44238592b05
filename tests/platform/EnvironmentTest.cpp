#include <windows.h>

#include <gtest/gtest.h>

#include "Environment.h"

namespace {

TEST(EnvironmentVariable, ReadsTheWholeValueOrNothing) {
  struct Case {
    const char* what;
    const char* set;  // null: the variable is removed
    std::string expected;
  };
  const std::string longValue = "C:\\" + std::string(1000, 'x');
  const Case cases[] = {
      {"plain", "C:\\users\\root", "C:\\users\\root"},
      {"longer than a path", longValue.c_str(), longValue},
      {"unset", nullptr, ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetEnvironmentVariableA("QUORVIX_TEST_VARIABLE", c.set) || !c.set);
    EXPECT_EQ(EnvironmentVariable("QUORVIX_TEST_VARIABLE"), c.expected) << c.what;
  }
  SetEnvironmentVariableA("QUORVIX_TEST_VARIABLE", nullptr);
}

}  // namespace
