// The command line of setup.exe read into a mode and its settings: every
// mode, the destination's forms (spaces, quotes, last on the line) and the
// arguments refused, with what the refusal says.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "CommandLine.h"

namespace {

const THandOverArguments HandOver{L"/remove", L"/cleanup-copy"};

TCommandLine Parse(const std::wstring& arguments) {
  return ParseCommandLine(L"\"C:\\Media Disc\\setup.exe\" " + arguments, HandOver);
}

struct GoodCase {
  const wchar_t* arguments;
  TRunMode mode;
  const wchar_t* destination;
  const wchar_t* language;
  const wchar_t* log;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::ostream& operator<<(std::ostream& out, const GoodCase& c) { return out << '[' << Narrow(c.arguments) << ']'; }

class GoodCommandLine : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodCommandLine, GivesTheModeAndItsSettings) {
  const GoodCase& c = GetParam();
  const TCommandLine line = Parse(c.arguments);
  EXPECT_EQ(line.Mode, c.mode) << Narrow(line.Problem);
  EXPECT_EQ(line.Destination, c.destination);
  EXPECT_EQ(line.Language, c.language);
  EXPECT_EQ(line.LogPath, c.log);
  EXPECT_EQ(line.Problem, L"");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodCommandLine,
    ::testing::Values(
        GoodCase{L"", TRunMode::Window, L"", L"", L""},
        GoodCase{L"  \t ", TRunMode::Window, L"", L"", L""},
        GoodCase{L"/S", TRunMode::SilentInstall, L"", L"", L""},
        GoodCase{L"/s", TRunMode::SilentInstall, L"", L"", L""},
        // The destination as deployment tools pass it: last, unquoted, spaces kept.
        GoodCase{L"/S /D=C:\\Program Files\\My Apps", TRunMode::SilentInstall, L"C:\\Program Files\\My Apps\\", L"",
                 L""},
        GoodCase{L"/S /D=C:\\Program Files\\My Apps\\  ", TRunMode::SilentInstall, L"C:\\Program Files\\My Apps\\",
                 L"", L""},
        GoodCase{L"/S \"/D=C:\\My Apps\"", TRunMode::SilentInstall, L"C:\\My Apps\\", L"", L""},
        GoodCase{L"/S /D=\"C:\\My Apps\"", TRunMode::SilentInstall, L"C:\\My Apps\\", L"", L""},
        GoodCase{L"/S /d=D:\\", TRunMode::SilentInstall, L"D:\\", L"", L""},
        GoodCase{L"/S /D=\\\\server\\share\\apps", TRunMode::SilentInstall, L"\\\\server\\share\\apps\\", L"", L""},
        GoodCase{L"/LANG=RU /S /LOG=\"C:\\Logs and more\\setup.log\" /D=E:\\x y", TRunMode::SilentInstall,
                 L"E:\\x y\\", L"ru", L"C:\\Logs and more\\setup.log"},
        GoodCase{L"\"/LOG=C:\\a b.log\" /S", TRunMode::SilentInstall, L"", L"", L"C:\\a b.log"},
        GoodCase{L"/remove", TRunMode::Removal, L"", L"", L""},
        GoodCase{L"/remove /S", TRunMode::SilentRemoval, L"", L"", L""},
        GoodCase{L"/remove /LOG=C:\\r.log /S", TRunMode::SilentRemoval, L"", L"", L"C:\\r.log"},
        // The cleanup copy reads its own arguments, whatever they are.
        GoodCase{L"/cleanup-copy 123 \"C:\\Program Files\\Q\" /X \"", TRunMode::Cleanup, L"", L"", L""}));

TEST(CommandLine, AProgramPathWithoutQuotesEndsAtTheFirstBlank) {
  EXPECT_EQ(ParseCommandLine(L"setup.exe", HandOver).Mode, TRunMode::Window);
  EXPECT_EQ(ParseCommandLine(L"C:\\setup.exe /S", HandOver).Mode, TRunMode::SilentInstall);
  // A quoted path holds its spaces, and what looks like a switch in it is the path's.
  EXPECT_EQ(ParseCommandLine(L"\"C:\\x /S\\setup.exe\"", HandOver).Mode, TRunMode::Window);
}

struct BadCase {
  const wchar_t* arguments;
  const wchar_t* problem;  // the start of what the refusal says
};

std::ostream& operator<<(std::ostream& out, const BadCase& c) { return out << '[' << Narrow(c.arguments) << ']'; }

class BadCommandLine : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLine, IsRefusedWithTheReason) {
  const BadCase& c = GetParam();
  const TCommandLine line = Parse(c.arguments);
  EXPECT_EQ(line.Mode, TRunMode::BadArgument);
  EXPECT_EQ(line.Problem.substr(0, std::wstring(c.problem).size()), c.problem) << Narrow(line.Problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLine,
    ::testing::Values(
        BadCase{L"/X", L"unknown argument: /X"},
        BadCase{L"/S /Q", L"unknown argument: /Q"},
        BadCase{L"/SILENT", L"unknown argument: /SILENT"},
        BadCase{L"S", L"unknown argument: S"},
        BadCase{L"/S /S", L"/S is given twice"},
        // Settings of a silent run without /S: the window reads no command line.
        BadCase{L"/LANG=ru", L"/D=, /LANG= and /LOG= are switches of a silent run"},
        BadCase{L"/D=C:\\Apps", L"/D=, /LANG= and /LOG= are switches of a silent run"},
        BadCase{L"/LOG=C:\\s.log", L"/D=, /LANG= and /LOG= are switches of a silent run"},
        BadCase{L"/S /LANG=", L"/LANG= names no language"},
        BadCase{L"/S /LANG=en /LANG=ru", L"/LANG= is given twice"},
        BadCase{L"/S /LOG=", L"/LOG= names no file"},
        BadCase{L"/S /LOG=a /LOG=b", L"/LOG= is given twice"},
        BadCase{L"/S /LOG=\"C:\\a b.log", L"a quote is not closed"},
        // /D= takes the rest of the line: nothing may follow it.
        BadCase{L"/D=C:\\Apps /S", L"/D= must be the last argument"},
        BadCase{L"/S \"/D=C:\\Apps\" /LOG=x", L"/D= must be the last argument"},
        BadCase{L"/S \"/D=C:\\Apps", L"a quote is not closed"},
        BadCase{L"/S /D=", L"/D= names no folder"},
        BadCase{L"/S /D=Apps", L"/D= needs a full path"},
        BadCase{L"/S /D=C:Apps", L"/D= needs a full path"},
        BadCase{L"/S /D=\\Apps", L"/D= needs a full path"},
        BadCase{L"/S /D=C:\\Apps\\..\\Windows", L"/D= holds \".\" or \"..\""},
        BadCase{L"/S /D=C:\\Apps\\\\x", L"/D= holds an empty folder name"},
        BadCase{L"/S /D=C:\\Apps\\\\", L"/D= holds an empty folder name"},
        BadCase{L"/S /D=C:\\Apps.", L"/D= holds a folder name ending in a space or a dot"},
        BadCase{L"/S /D=C:\\A\"pps", L"/D= holds a character no folder name may hold"},
        BadCase{L"/S /D=\\\\?\\C:\\Apps", L"/D= holds a character no folder name may hold"},
        BadCase{L"/S /D=C:\\Apps\\a:b", L"/D= holds a character no folder name may hold"},
        BadCase{L"/S /D=\\\\server", L"/D= names a server without its share"},
        BadCase{L"/remove /D=C:\\Apps", L"/D= is not for a removal"},
        BadCase{L"/remove /S /LANG=ru", L"/LANG= is not for a removal"},
        BadCase{L"/remove /LOG=C:\\r.log", L"/D=, /LANG= and /LOG= are switches of a silent run"},
        BadCase{L"/remove /X", L"unknown argument: /X"},
        BadCase{L"/S /remove", L"/remove must be the first argument"},
        BadCase{L"/REMOVE", L"unknown argument: /REMOVE"}));

TEST(CommandLine, ABadArgumentKeepsTheLogGivenBeforeIt) {
  const TCommandLine line = Parse(L"/S /LOG=C:\\s.log /X");
  EXPECT_EQ(line.Mode, TRunMode::BadArgument);
  EXPECT_EQ(line.LogPath, L"C:\\s.log");
}

}  // namespace
