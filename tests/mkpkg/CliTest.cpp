// The mkpkg program as a user runs it: exit status, what goes to stdout and
// stderr, and what is left on disk, including when the disk fills up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "TestTree.h"

using MkpkgTest::TestTree;
namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
  long maxRssKb = 0;
};

struct RunOptions {
  rlim_t fileSizeLimit = RLIM_INFINITY;  // as if the disk filled up at this size
  bool stderrOnTerminal = false;
  std::vector<std::string> env;
  const char* program = MKPKG_PATH;
};

void ReadAll(std::vector<int> fds, std::vector<std::string*> into) {
  while (!fds.empty()) {
    std::vector<pollfd> polls;
    for (int fd : fds) polls.push_back({fd, POLLIN, 0});
    if (poll(polls.data(), polls.size(), -1) < 0) return;
    for (size_t i = polls.size(); i-- > 0;) {
      if (!polls[i].revents) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i], buffer, sizeof buffer);
      if (n > 0) {
        into[i]->append(buffer, size_t(n));
      } else {
        close(fds[i]);
        fds.erase(fds.begin() + long(i));
        into.erase(into.begin() + long(i));
      }
    }
  }
}

Outcome Mkpkg(const std::vector<std::string>& args, const RunOptions& options = {}) {
  int out[2], err[2];
  EXPECT_EQ(pipe(out), 0);
  if (options.stderrOnTerminal) {
    EXPECT_EQ(openpty(&err[0], &err[1], nullptr, nullptr, nullptr), 0);
  } else {
    EXPECT_EQ(pipe(err), 0);
  }
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    if (options.fileSizeLimit != RLIM_INFINITY) {
      signal(SIGXFSZ, SIG_IGN);  // a failing write, as on a full disk, not a kill
      rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    for (const std::string& e : options.env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(options.program)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(options.program, argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  Outcome run;
  ReadAll({out[0], err[0]}, {&run.out, &run.err});
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.maxRssKb = usage.ru_maxrss;
  return run;
}

std::vector<std::string> MakeArgs(const TestTree& tree, const std::string& key = "demo.exe") {
  return {"make", tree.Utf8("1.0"), "-o", tree.Utf8("out/data.z"), "--title", "Demo 1.0", "--folder", "Demo", "--key", key};
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Every line of stderr is one of ours.
void ExpectOnlyOurLines(const std::string& err) {
  size_t start = 0;
  while (start < err.size()) {
    EXPECT_EQ(err.compare(start, 7, "mkpkg: "), 0) << err;
    const size_t end = err.find('\n', start);
    if (end == std::string::npos) break;
    start = end + 1;
    if (err.compare(start, 4, "Try ") == 0) break;
  }
}

TEST(Cli, ConventionalHelpVersionAndUsageErrors) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out;  // fragment of stdout ("" when it must be empty)
    const char* err;  // fragment of stderr ("" when it must be empty)
  } cases[] = {
      {{"--help"}, 0, "Usage: mkpkg make VERSION_DIR -o PACKAGE", ""},
      {{"make", "-h"}, 0, "Exit status: 0 success, 1 failure, 2 bad command line.", ""},
      {{"--version"}, 0, "mkpkg 1.0", ""},
      {{}, 2, "", "mkpkg: no command given\nTry 'mkpkg --help' for more information.\n"},
      {{"frobnicate"}, 2, "", "mkpkg: unknown command 'frobnicate'"},
      {{"make", "1.0", "--title", "T"}, 2, "", "mkpkg: make: -o is missing or empty"},
      {{"list", "--codepage", "20866", "x.z"}, 2, "", "is not a supported code page"},
      {{"verify", "/nonexistent/data.z"}, 1, "", "mkpkg: /nonexistent/data.z: cannot be opened: No such file"},
      {{"digest"}, 2, "", "mkpkg: digest: the package file is missing"},
      {{"digest", "--codepage", "1251", "x.z"}, 2, "", "mkpkg: digest: unknown option '--codepage'"},
      {{"digest", "a.z", "b.z"}, 2, "", "more than one package given"},
      {{"digest", "/nonexistent/data.z"}, 1, "", "mkpkg: /nonexistent/data.z: cannot be opened: No such file"},
      {{"digest", "/"}, 1, "", "mkpkg: /: is a folder"},
  };
  for (const auto& c : cases) {
    const Outcome r = Mkpkg(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (*c.out) EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    else EXPECT_EQ(r.out, "");
    if (*c.err) EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    else EXPECT_EQ(r.err, "");
  }
}

// What sha256sum prints for the file, so that the two can be compared.
std::string Sha256sum(const std::string& path) {
  std::string quoted;
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  FILE* pipe = popen(("sha256sum -- '" + quoted + "'").c_str(), "r");
  std::string out;
  char buffer[256];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Sizes around SHA-256's padding (55, 56 and 64 bytes end a block
// differently) and past mkpkg's 1 MiB reads; names that sha256sum escapes.
TEST(Cli, DigestPrintsWhatSha256sumPrints) {
  TestTree tree;
  const struct {
    const char* name;
    size_t size;
  } files[] = {{"empty.z", 0},   {"one.z", 1},         {"55.z", 55},           {"56.z", 56},
               {"64.z", 64},     {"big.z", 3145729},   {"back\\slash.z", 100}, {"line\nfeed.z", 100}};
  for (const auto& f : files) {
    std::string bytes(f.size, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 131 + i / 977);
    tree.Write(f.name, bytes);
    const std::string path = tree.Utf8(f.name);
    const Outcome r = Mkpkg({"digest", path});
    EXPECT_EQ(r.status, 0) << f.name << ": " << r.err;
    EXPECT_EQ(r.err, "") << f.name;
    EXPECT_EQ(r.out, Sha256sum(path)) << f.name;
  }
}

TEST(Cli, MakeListVerifyTheWorkedExample) {
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  tree.Folder("out");
  const Outcome made = Mkpkg(With(MakeArgs(tree), {"--required", "2000000"}));
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(tree.Read("out/data.z"), MkpkgTest::WorkedExampleBytes());
  EXPECT_NE(made.out.find("276 bytes, version folder 1.0, 2 folders, 2 files"), std::string::npos) << made.out;
  EXPECT_NE(made.out.find("required size: 2000000 bytes (as given)"), std::string::npos) << made.out;
  EXPECT_NE(made.err.find("mkpkg: warning: no MANUAL/English/manual.pdf"), std::string::npos) << made.err;
  ExpectOnlyOurLines(made.err);

  const Outcome listed = Mkpkg({"list", tree.Utf8("out/data.z")});
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("Required size: 2000000 bytes\nd            0  1.0\\\n"), std::string::npos) << listed.out;

  const Outcome verified = Mkpkg({"verify", tree.Utf8("out/data.z")});
  EXPECT_EQ(verified.status, 0);
  EXPECT_NE(verified.out.find(": sound: version folder 1.0"), std::string::npos) << verified.out;

  const Outcome quiet = Mkpkg(With(MakeArgs(tree), {"--quiet", "--required=2000000"}));
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(tree.Read("out/data.z"), MkpkgTest::WorkedExampleBytes());
}

TEST(Cli, DamagedPackagesFailVerifyAndListWithTheOffset) {
  TestTree tree;
  std::string bytes = MkpkgTest::WorkedExampleBytes();
  bytes.resize(200);  // cut inside demo.exe's data
  tree.Write("cut.z", bytes);
  tree.Write("v3.z", "\x03" + MkpkgTest::WorkedExampleBytes().substr(1));
  for (const char* command : {"verify", "list"}) {
    const Outcome cut = Mkpkg({command, tree.Utf8("cut.z")});
    EXPECT_EQ(cut.status, 1) << command;
    EXPECT_NE(cut.err.find("cut.z: file record \"demo.exe\" data runs past the end of the file at byte offset 75"),
              std::string::npos)
        << cut.err;
    const Outcome v3 = Mkpkg({command, tree.Utf8("v3.z")});
    EXPECT_EQ(v3.status, 1);
    EXPECT_NE(v3.err.find("bad version 3"), std::string::npos) << v3.err;
  }
}

TEST(Cli, RefusalsExitWithOneAndLeaveNoFile) {
  const struct {
    const char* what;
    std::function<void(const TestTree&)> setUp;
    std::vector<std::string> extra;
    const char* err;
  } cases[] = {
      {"unrepresentable name", [](const TestTree& t) { t.Write("1.0/\xE2\x98\x83.txt", ""); }, {"--codepage", "1251"},
       "\xE2\x98\x83.txt: the name holds \"\xE2\x98\x83\" (U+2603), which code page 1251 cannot hold"},
      {"reserved name", [](const TestTree& t) { t.Write("1.0/doc/PRN.txt", ""); }, {}, "PRN.txt: the name is a device name"},
      {"missing key", [](const TestTree&) {}, {"--key", "gone.exe"}, "the key file \"gone.exe\" is not in"},
      {"symbolic link", [](const TestTree& t) { fs::create_symlink("demo.exe", t.Path("1.0/link.exe")); }, {},
       "link.exe: is a symbolic link; give --follow-links"},
      {"unwritable output", [](const TestTree& t) { t.Write("blocker", ""); }, {"-o", "BLOCKER/data.z"},
       "cannot create a file beside"},
  };
  for (const auto& c : cases) {
    TestTree tree;
    MkpkgTest::WriteWorkedExampleTree(tree);
    tree.Folder("out");
    c.setUp(tree);
    std::vector<std::string> extra = c.extra;
    if (extra.size() == 2 && extra[0] == "-o") extra[1] = tree.Utf8("blocker/data.z");
    const Outcome r = Mkpkg(With(MakeArgs(tree), extra));
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
    ExpectOnlyOurLines(r.err);
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_EQ(tree.CountIn("out"), 0u) << c.what;
  }
}

TEST(Cli, AFullDiskLeavesTheOlderPackageAndNoTemporaryFile) {
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  tree.Write("1.0/big.bin", std::string(3 << 20, 'b'));
  tree.Write("out/data.z", "the older package");
  RunOptions full;
  full.fileSizeLimit = 1 << 20;
  const Outcome r = Mkpkg(MakeArgs(tree), full);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("mkpkg: cannot write " + tree.Utf8("out/data.z") + ": File too large"), std::string::npos)
      << r.err;
  EXPECT_EQ(tree.Read("out/data.z"), "the older package");
  EXPECT_EQ(tree.CountIn("out"), 1u);
}

TEST(Cli, AnInterruptedMakeRemovesItsTemporaryFile) {
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  tree.Write("1.0/huge.bin", "");
  fs::resize_file(tree.Path("1.0/huge.bin"), uintmax_t(1) << 30);  // sparse: far more than is written here
  tree.Folder("out");
  const std::vector<std::string> args = With(MakeArgs(tree), {"--quiet"});
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(MKPKG_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(MKPKG_PATH, argv.data());
    _exit(127);
  }
  // Interrupt as soon as the package has begun to be written.
  bool begun = false;
  int status = 0;
  while (!begun && waitpid(child, &status, WNOHANG) == 0) {
    begun = tree.CountIn("out") > 0;
    if (!begun) usleep(1000);
  }
  ASSERT_TRUE(begun) << "mkpkg ended before it started writing";
  kill(child, SIGINT);
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_EQ(tree.CountIn("out"), 0u);
}

TEST(Cli, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  tree.Write("1.0/big.bin", std::string(3 << 20, 'b'));
  tree.Folder("out");
  RunOptions terminal;
  terminal.stderrOnTerminal = true;
  terminal.env = {"MKPKG_PROGRESS_DELAY=0"};
  RunOptions pipe = terminal;
  pipe.stderrOnTerminal = false;

  const Outcome shown = Mkpkg(MakeArgs(tree), terminal);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.err.find("\r[##############################] 100%  3.0 of 3.0 MiB"), std::string::npos) << shown.err;
  EXPECT_EQ(Mkpkg(MakeArgs(tree), pipe).err.find("\r["), std::string::npos);
  EXPECT_EQ(Mkpkg(With(MakeArgs(tree), {"--quiet"}), terminal).err.find("\r["), std::string::npos);
}

TEST(Cli, MemoryStaysSmallWhateverTheFileSize) {
  // Sparse, so the test costs disk space only for the package it writes.
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  tree.Write("1.0/big.bin", "");
  fs::resize_file(tree.Path("1.0/big.bin"), uintmax_t(256) << 20);
  tree.Folder("out");
  // The build without sanitizers: theirs is no memory of mkpkg's.
  RunOptions measured;
  measured.program = MKPKG_MEASURED_PATH;
  const Outcome r = Mkpkg(With(MakeArgs(tree), {"--quiet"}), measured);
  ASSERT_EQ(r.status, 0) << r.err;
  // The worked example's 276 bytes, and a record of 13 bytes around big.bin's data.
  EXPECT_EQ(fs::file_size(tree.Path("out/data.z")), (uintmax_t(256) << 20) + 276 + 13);
  EXPECT_LT(r.maxRssKb, 64 * 1024) << "peak memory while packing 256 MiB";
}

}  // namespace
