// A package that cannot be used: exactly one error box with the loader's
// text, then the program ends with exit code 0.
#include <gtest/gtest.h>

#include <ostream>

#include "GuiDriver.h"
#include "PackageFormat.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Damaged() { return SetupTest::DemoPackage().substr(0, 40); }

std::string DamagedText() {
  const std::string bytes = Damaged();
  const Package::CheckResult result = Package::CheckPackage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return "Bad format of file: \"data.z\"\r\n" + Package::DescribeProblem(result);
}

struct Case {
  const char* name;
  bool present;
  std::string bytes;
  std::wstring text;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

class LoadFailure : public ::testing::TestWithParam<Case> {};

TEST_P(LoadFailure, ShowsOneErrorThenEnds) {
  const Case& c = GetParam();
  SetupRun run(c.present ? &c.bytes : nullptr);
  HWND box = run.Program->WaitForDialog();
  ASSERT_NE(box, nullptr);
  const Dialog shown = ReadDialog(box);
  EXPECT_EQ(shown.Caption, L"Error");
  EXPECT_EQ(shown.Text, c.text);
  EXPECT_EQ(shown.Buttons, std::vector<std::wstring>{L"OK"});
  ASSERT_TRUE(AnswerDialog(box, L"OK"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  // No second box: the next wait ends with the program.
  EXPECT_EQ(run.Program->WaitForDialog(), nullptr);
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, LoadFailure,
    ::testing::Values(Case{"Missing", false, "", L"Can not open file data.z"},
                      Case{"Empty", true, "", L"Can not open file data.z"},
                      Case{"Version3", true, std::string("\x03\x00\x00\x00", 4) + SetupTest::DemoPackage().substr(4),
                           L"Bad version of file: \"data.z\""},
                      Case{"Damaged", true, Damaged(), Wide(DamagedText())}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
