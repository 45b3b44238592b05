// The command line: what is accepted and how a mistake is reported.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "Errors.h"

using namespace Mkpkg;

namespace {

const std::vector<std::string> make = {"make", "1.0", "-o", "data.z", "--title", "T", "--folder", "F", "--key", "k.exe"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(CommandLine, MakeTakesEveryOptionInEitherForm) {
  const Command c = ParseCommandLine(
      {"make", "--title=Quorvix Forge 1.0", "--output", "out.z", "--folder", "QuorvixForge", "--key=Q.exe",
       "--required", "123", "--codepage=1251", "--follow-links", "-q", "--", "-odd-dir"});
  ASSERT_EQ(c.What, Action::Make);
  EXPECT_EQ(c.Make.VersionDir, "-odd-dir");
  EXPECT_EQ(c.Make.Output, "out.z");
  EXPECT_EQ(c.Make.Title, "Quorvix Forge 1.0");
  EXPECT_EQ(c.Make.Folder, "QuorvixForge");
  EXPECT_EQ(c.Make.Key, "Q.exe");
  EXPECT_EQ(c.Make.Required, 123);
  EXPECT_EQ(c.Make.CodePage, 1251);
  EXPECT_TRUE(c.Make.FollowLinks);
  EXPECT_TRUE(c.Make.Quiet);

  const Command plain = ParseCommandLine(make);
  EXPECT_FALSE(plain.Make.Required.has_value());
  EXPECT_EQ(plain.Make.CodePage, 0);
  EXPECT_FALSE(plain.Make.FollowLinks || plain.Make.Quiet);
}

TEST(CommandLine, HelpVersionListAndVerify) {
  EXPECT_EQ(ParseCommandLine({"--help"}).What, Action::Help);
  EXPECT_EQ(ParseCommandLine({"make", "--help"}).What, Action::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).What, Action::Version);
  const Command list = ParseCommandLine({"list", "data.z", "--codepage", "1251"});
  EXPECT_EQ(list.What, Action::List);
  EXPECT_EQ(list.Package, "data.z");
  EXPECT_EQ(list.CodePage, 1251);
  EXPECT_EQ(ParseCommandLine({"verify", "data.z"}).What, Action::Verify);
}

TEST(CommandLine, MistakesAreUsageErrorsThatSayWhat) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no command"},
      {{"pack"}, "unknown command 'pack'"},
      {{"make"}, "version folder is missing"},
      {{"make", "1.0", "2.0"}, "more than one version folder"},
      {{"make", "1.0", "--title", "T", "--folder", "F", "--key", "k"}, "-o is missing"},
      {{"make", "1.0", "-o", "d.z", "--title", "", "--folder", "F", "--key", "k"}, "--title is missing or empty"},
      {With(make, {"--required", "-1"}), "'-1' is not a number of bytes"},
      {With(make, {"--required", "2147483648"}), "from 0 to 2147483647"},
      {With(make, {"--required", "1e6"}), "'1e6'"},
      {With(make, {"--codepage", "866"}), "'866' is not a supported code page (supported: 1250, 1251"},
      {With(make, {"--codepage"}), "'--codepage' needs a value"},
      {With(make, {"--quiet=yes"}), "takes no value"},
      {With(make, {"--force"}), "unknown option '--force'"},
      {{"list"}, "package file is missing"},
      {{"verify", "a.z", "b.z"}, "more than one package"},
      {{"verify", "a.z", "--follow-links"}, "unknown option"},
  };
  for (const auto& c : cases) {
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << c.message << ": accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
