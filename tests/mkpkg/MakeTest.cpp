// mkpkg make as a library: what a tree packs to, and every refusal leaving
// nothing behind.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "AtomicOutput.h"
#include "Errors.h"
#include "MakePackage.h"
#include "PackageFormat.h"
#include "PackageWriter.h"
#include "TestTree.h"

using namespace Mkpkg;
using MkpkgTest::TestTree;

namespace {

class Recorder : public MakeObserver {
 public:
  void Warning(const std::string& text) override { warnings.push_back(text); }
  void Progress(uint64_t done, uint64_t total) override {
    EXPECT_LE(done, total);
    EXPECT_GE(done, lastDone);
    lastDone = done;
    lastTotal = total;
  }
  std::vector<std::string> warnings;
  uint64_t lastDone = 0, lastTotal = 0;
};

MakeOptions Options(const TestTree& tree, const std::string& versionDir, const std::string& key) {
  MakeOptions o;
  o.VersionDir = tree.Utf8(versionDir);
  o.Output = tree.Utf8("out/data.z");
  o.Title = "Demo 1.0";
  o.Folder = "Demo";
  o.Key = key;
  fs::create_directories(tree.Path("out"));
  return o;
}

// Records as "d name", "f name size" and "l", in stream order.
std::vector<std::string> Records(const std::string& package) {
  std::vector<std::string> records;
  const auto r = Package::CheckPackage(reinterpret_cast<const uint8_t*>(package.data()), package.size(),
                                       [&](const Package::RecordInfo& info) {
                                         if (info.Kind == Package::KindDirectory) records.push_back("d " + info.Name);
                                         if (info.Kind == Package::KindLeave) records.push_back("l");
                                         if (info.Kind == Package::KindFile)
                                           records.push_back("f " + info.Name + " " + std::to_string(info.DataSize));
                                       });
  EXPECT_EQ(r.Status, Package::CheckStatus::Sound);
  EXPECT_EQ(r.FinalDepth, 0);
  return records;
}

TEST(Make, WorkedExampleTreeGivesTheExpectedBytes) {
  TestTree tree;
  MkpkgTest::WriteWorkedExampleTree(tree);
  MakeOptions o = Options(tree, "1.0", "demo.exe");
  o.Required = 2000000;
  Recorder recorder;
  const MakeSummary s = MakePackage(o, recorder);
  EXPECT_EQ(tree.Read("out/data.z"), MkpkgTest::WorkedExampleBytes());
  EXPECT_EQ(s.PackageBytes, 276u);
  EXPECT_EQ(s.RootDirName, "1.0");
  EXPECT_EQ(recorder.lastDone, 276u);
  EXPECT_EQ(recorder.lastTotal, 276u);
  EXPECT_EQ(tree.CountIn("out"), 1u);  // no temporary file left beside it
}

TEST(Make, SubfoldersFirstThenFilesEachInStoredByteOrder) {
  TestTree tree;
  // Created out of order; in UTF-8 "ё" sorts after "я", in code page 1251 before "Б".
  for (const char* file : {"v/\xD1\x8F.txt", "v/z.txt", "v/\xD1\x91.txt", "v/A.txt", "v/_.txt", "v/\xD0\x91.txt"})
    tree.Write(file, "x");
  for (const char* folder : {"v/zeta", "v/\xD1\x91\xD0\xB6", "v/Alpha/inner", "v/empty"}) tree.Folder(folder);
  tree.Write("v/Alpha/inner/key.exe", "");
  MakeOptions o = Options(tree, "v", "KEY.EXE");
  o.CodePage = 1251;
  Recorder recorder;
  MakePackage(o, recorder);
  const std::vector<std::string> expected = {
      "d v",     "d Alpha", "d inner",  "f key.exe 0", "l",         "l",           "d empty",     "l",
      "d zeta",  "l",       "d \xB8\xE6", "l",         "f A.txt 1", "f _.txt 1",   "f z.txt 1",   "f \xB8.txt 1",
      "f \xC1.txt 1", "f \xFF.txt 1", "l"};
  EXPECT_EQ(Records(tree.Read("out/data.z")), expected);
}

TEST(Make, SameTreeGivesTheSameBytes) {
  TestTree a, b;
  a.Write("1.0/one/two/three/deep.bin", std::string(3 * PackageWriter::ChunkSize + 7, '\x5A'));
  a.Write("1.0/m.exe", "exe");
  a.Folder("1.0/blank");
  // The same tree made in another order.
  b.Folder("1.0/blank");
  b.Write("1.0/m.exe", "exe");
  b.Write("1.0/one/two/three/deep.bin", std::string(3 * PackageWriter::ChunkSize + 7, '\x5A'));
  Recorder first, second, again;
  MakePackage(Options(a, "1.0", "m.exe"), first);
  MakePackage(Options(b, "1.0", "m.exe"), second);
  const std::string bytes = a.Read("out/data.z");
  EXPECT_EQ(bytes, b.Read("out/data.z"));
  MakePackage(Options(a, "1.0", "m.exe"), again);
  EXPECT_EQ(bytes, a.Read("out/data.z"));
}

TEST(Make, DefaultRequiredSizeRoundsFilesToClustersAndCountsFolders) {
  TestTree tree;
  tree.Write("1.0/empty", "");
  tree.Write("1.0/one", "1");
  tree.Write("1.0/sub/exact", std::string(4096, 'e'));
  tree.Write("1.0/sub/over.exe", std::string(4097, 'o'));
  Recorder recorder;
  const MakeSummary s = MakePackage(Options(tree, "1.0", "over.exe"), recorder);
  EXPECT_EQ(s.RequiredSize, 0 + 4096 + 4096 + 8192 + 2 * 4096);
  EXPECT_FALSE(s.RequiredGiven);
  const std::string package = tree.Read("out/data.z");
  EXPECT_EQ(Package::ReadInt32(reinterpret_cast<const uint8_t*>(package.data()) + 4 + 9 + 9 + 5), s.RequiredSize);
}

TEST(Make, VersionFolderIsNamedAfterTheLastComponentAsGiven) {
  TestTree tree;
  tree.Write("2.5/app.exe", "x");
  for (const std::string& given : {tree.Utf8("2.5") + "/", tree.Utf8("2.5/."), tree.Utf8("2.5/../2.5")}) {
    MakeOptions o = Options(tree, "2.5", "app.exe");
    o.VersionDir = given;
    Recorder recorder;
    EXPECT_EQ(MakePackage(o, recorder).RootDirName, "2.5") << given;
    EXPECT_EQ(Records(tree.Read("out/data.z")).front(), "d 2.5");
  }
}

TEST(Make, HeaderTextsAreWrittenInTheCodePage) {
  TestTree tree;
  tree.Write("1.0/\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3.exe", "x");  // Прог.exe
  MakeOptions o = Options(tree, "1.0", "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3.exe");
  o.Title = "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xB6 1.0";  // Форж 1.0
  o.Folder = "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xB6";
  o.CodePage = 1251;
  Recorder recorder;
  MakePackage(o, recorder);
  const std::string package = tree.Read("out/data.z");
  const auto r = Package::CheckPackage(reinterpret_cast<const uint8_t*>(package.data()), package.size());
  EXPECT_EQ(r.Head.KeyFileName, "\xCF\xF0\xEE\xE3.exe");
  EXPECT_EQ(r.Head.Title, "\xD4\xEE\xF0\xE6 1.0");
  EXPECT_EQ(r.Head.FolderName, "\xD4\xEE\xF0\xE6");
  EXPECT_TRUE(r.KeyPresent);
}

TEST(Make, WarnsWhenTheKeyIsFoundTwiceOrTheManualsAreMissing) {
  TestTree tree;
  tree.Write("1.0/a/app.exe", "first");
  tree.Write("1.0/b/APP.EXE", "second");
  tree.Write("1.0/b/manual/english/MANUAL.PDF", "%PDF");  // Windows finds it in any case
  Recorder recorder;
  const MakeSummary s = MakePackage(Options(tree, "1.0", "app.exe"), recorder);
  EXPECT_EQ(s.KeyPath, "1.0/b/APP.EXE");
  ASSERT_EQ(recorder.warnings.size(), 2u);
  EXPECT_NE(recorder.warnings[0].find("matches 2 files"), std::string::npos) << recorder.warnings[0];
  EXPECT_NE(recorder.warnings[0].find("1.0/b/APP.EXE"), std::string::npos);
  EXPECT_NE(recorder.warnings[1].find("MANUAL/Russian/manual.pdf"), std::string::npos) << recorder.warnings[1];
}

TEST(Make, RequiredBelowTheDataIsKeptWithAWarning) {
  TestTree tree;
  tree.Write("1.0/app.exe", std::string(5000, 'x'));
  MakeOptions o = Options(tree, "1.0", "app.exe");
  o.Required = 100;
  Recorder recorder;
  EXPECT_EQ(MakePackage(o, recorder).RequiredSize, 100);
  ASSERT_EQ(recorder.warnings.size(), 3u);  // and the two manuals
  EXPECT_NE(recorder.warnings[2].find("--required 100 is less than the 5000 bytes"), std::string::npos);
}

struct Refusal {
  const char* what;
  std::function<void(const TestTree&, MakeOptions&)> setUp;
  const char* message;  // fragment of the error
  bool linuxNamesOnly = false;  // a tree that Windows cannot hold in the first place
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

class MakeRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(MakeRefusal, SaysWhyAndLeavesNoFile) {
#ifdef _WIN32
  if (GetParam().linuxNamesOnly) GTEST_SKIP() << "Windows cannot make this tree";
#endif
  TestTree tree;
  tree.Write("1.0/app.exe", "program");
  tree.Write("out/data.z", "an older package");
  MakeOptions o = Options(tree, "1.0", "app.exe");
  GetParam().setUp(tree, o);
  Recorder recorder;
  try {
    MakePackage(o, recorder);
    ADD_FAILURE() << "made a package";
  } catch (const MkpkgError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
  EXPECT_EQ(tree.Read("out/data.z"), "an older package");
  EXPECT_EQ(tree.CountIn("out"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeRefusal,
    ::testing::Values(
        Refusal{"NonAsciiNameWithoutCodePage", [](const TestTree& t, MakeOptions&) { t.Write("1.0/\xD0\x96.txt", ""); },
                "\xD0\x96.txt: the name holds \"\xD0\x96\" (U+0416), which is not ASCII"},
        Refusal{"NameBeyondTheFirstPlane",
                [](const TestTree& t, MakeOptions&) { t.Write("1.0/\xF0\x9F\x98\x80.txt", ""); },
                "the name holds \"\xF0\x9F\x98\x80\" (U+1F600), which is not ASCII"},
        Refusal{"NameTheCodePageCannotHold",
                [](const TestTree& t, MakeOptions& o) {
                  t.Write("1.0/docs/\xCE\xA9mega.txt", "");
                  o.CodePage = 1251;
                },
                "\xCE\xA9mega.txt: the name holds \"\xCE\xA9\" (U+03A9), which code page 1251 cannot hold"},
        Refusal{"ReservedName", [](const TestTree& t, MakeOptions&) { t.Write("1.0/sub/aux.txt", ""); },
                "aux.txt: the name is a device name", true},
        Refusal{"ReservedFolderName", [](const TestTree& t, MakeOptions&) { t.Folder("1.0/LPT3"); },
                "LPT3: the name is a device name", true},
        Refusal{"TrailingDot", [](const TestTree& t, MakeOptions&) { t.Write("1.0/notes.", ""); }, "ends with a dot", true},
        Refusal{"ForbiddenCharacter", [](const TestTree& t, MakeOptions&) { t.Write("1.0/what?.txt", ""); },
                "holds \"?\"", true},
        Refusal{"NamesDifferingOnlyInCase",
                [](const TestTree& t, MakeOptions&) {
                  t.Write("1.0/Read.me", "");
                  t.Folder("1.0/READ.ME");
                },
                "only in letter case", true},
        Refusal{"MissingKey", [](const TestTree&, MakeOptions& o) { o.Key = "other.exe"; },
                "the key file \"other.exe\" is not in"},
        Refusal{"KeyWithAFolder", [](const TestTree&, MakeOptions& o) { o.Key = "bin/app.exe"; },
                "must be a file name without a folder"},
        Refusal{"FolderNameWithSeparator", [](const TestTree&, MakeOptions& o) { o.Folder = "Vendor\\Demo"; },
                "the folder name \"Vendor\\Demo\" holds \"\\\""},
        Refusal{"TitleWithControl", [](const TestTree&, MakeOptions& o) { o.Title = "Demo\n1.0"; },
                "control character"},
        Refusal{"TitleNotInCodePage",
                [](const TestTree&, MakeOptions& o) {
                  o.Title = "\xE2\x9C\x93";
                  o.CodePage = 1251;
                },
                "the title holds \"\xE2\x9C\x93\" (U+2713), which code page 1251 cannot hold"},
        Refusal{"UnsupportedCodePage", [](const TestTree&, MakeOptions& o) { o.CodePage = 437; }, "not supported"},
        Refusal{"VersionFolderMissing", [](const TestTree& t, MakeOptions& o) { o.VersionDir = t.Utf8("2.0"); },
                "not a folder"},
        Refusal{"OutputInsideTheTree", [](const TestTree& t, MakeOptions& o) { o.Output = t.Utf8("1.0/data.z"); },
                "inside the folder it packs"},
        Refusal{"OutputIsAFolder", [](const TestTree& t, MakeOptions& o) { o.Output = t.Utf8("1.0/.."); },
                "is a folder"},
        Refusal{"OutputFolderMissing", [](const TestTree& t, MakeOptions& o) { o.Output = t.Utf8("nowhere/data.z"); },
                "cannot create a file beside"},
        Refusal{"OutputReplacesAFolder",
                [](const TestTree& t, MakeOptions& o) {
                  t.Folder("pkg");
                  o.Output = t.Utf8("pkg");
                },
                "is a folder"},
        Refusal{"RequiredOutOfRange", [](const TestTree&, MakeOptions& o) { o.Required = int64_t(1) << 31; },
                "--required"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.what); });

#ifndef _WIN32
TEST(MakeRefusalOnPosix, LinksAndSpecialFiles) {
  const struct {
    const char* what;
    std::function<void(const TestTree&)> setUp;
    const char* message;
  } cases[] = {
      {"link to a file", [](const TestTree& t) { fs::create_symlink("app.exe", t.Path("1.0/link.exe")); },
       "link.exe: is a symbolic link; give --follow-links"},
      {"link to a folder", [](const TestTree& t) { fs::create_directory_symlink("/tmp", t.Path("1.0/tmp")); },
       "is a symbolic link"},
      {"fifo", [](const TestTree& t) { ASSERT_EQ(mkfifo(t.Path("1.0/pipe").c_str(), 0600), 0); },
       "pipe: is neither a file nor a folder"},
  };
  for (const auto& c : cases) {
    TestTree tree;
    tree.Write("1.0/app.exe", "program");
    c.setUp(tree);
    MakeOptions o = Options(tree, "1.0", "app.exe");
    Recorder recorder;
    try {
      MakePackage(o, recorder);
      ADD_FAILURE() << c.what << ": made a package";
    } catch (const MkpkgError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_EQ(tree.CountIn("out"), 0u) << c.what;
  }
}

TEST(MakeOnPosix, FollowedLinksArePackedAndLoopsRefused) {
  TestTree tree;
  tree.Write("shared/lib.dll", "library");
  tree.Write("1.0/app.exe", "program");
  fs::create_directory_symlink(tree.Path("shared"), tree.Path("1.0/libs"));
  fs::create_symlink(tree.Path("1.0/app.exe"), tree.Path("1.0/copy.exe"));
  MakeOptions o = Options(tree, "1.0", "app.exe");
  o.FollowLinks = true;
  Recorder recorder;
  MakePackage(o, recorder);
  const std::vector<std::string> expected = {"d 1.0", "d libs", "f lib.dll 7", "l", "f app.exe 7", "f copy.exe 7", "l"};
  EXPECT_EQ(Records(tree.Read("out/data.z")), expected);

  fs::create_directory_symlink(tree.Path("1.0"), tree.Path("1.0/libs2"));
  try {
    MakePackage(o, recorder);
    ADD_FAILURE() << "packed a loop";
  } catch (const MkpkgError& e) {
    EXPECT_NE(std::string(e.what()).find("symbolic link loop"), std::string::npos) << e.what();
  }
}

// Sparse files: the size checks come before anything is read or written.
TEST(MakeOnPosix, FilesAndPackagesOf2GiBAreRefusedBeforeWriting) {
  const struct {
    const char* what;
    std::vector<uintmax_t> sizes;
    const char* message;
  } cases[] = {
      {"one file of 2 GiB", {uintmax_t(1) << 31}, "a package cannot hold a file of 2 GiB or more"},
      {"files adding up to 2 GiB", {uintmax_t(1) << 30, (uintmax_t(1) << 30) - 10}, "must stay under 2 GiB"},
  };
  for (const auto& c : cases) {
    TestTree tree;
    tree.Write("1.0/app.exe", "program");
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      tree.Write("1.0/big" + std::to_string(i), "");
      fs::resize_file(tree.Path("1.0/big" + std::to_string(i)), c.sizes[i]);
    }
    Recorder recorder;
    try {
      MakePackage(Options(tree, "1.0", "app.exe"), recorder);
      ADD_FAILURE() << c.what << ": made a package";
    } catch (const MkpkgError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_EQ(recorder.lastDone, 0u) << c.what << ": wrote before refusing";
    EXPECT_EQ(tree.CountIn("out"), 0u);
  }
}
#endif

class StringSink : public ByteSink {
 public:
  void Write(const void* data, size_t size) override { bytes.append(static_cast<const char*>(data), size); }
  std::string bytes;
};

TEST(Writer, AFileThatChangedSinceItWasListedIsRefused) {
  TestTree tree;
  const fs::path file = tree.Write("f.bin", std::string(10, 'x'));
  for (uint64_t listed : {20u, 5u}) {
    StringSink sink;
    PackageWriter writer(sink);
    TreeEntry entry;
    entry.Name = "f.bin";
    entry.Source = file;
    entry.Size = listed;
    try {
      writer.File(entry);
      ADD_FAILURE() << "wrote a record that does not match its data";
    } catch (const MkpkgError& e) {
      EXPECT_NE(std::string(e.what()).find(listed > 10 ? "became shorter" : "became longer"), std::string::npos)
          << e.what();
    }
  }
}

TEST(AtomicOutputFile, AppearsOnlyOnCommit) {
  TestTree tree;
  tree.Write("data.z", "old");
  {
    AtomicOutput out(tree.Path("data.z"));
    out.Write("new", 3);
    EXPECT_TRUE(fs::exists(out.TempPath()));
    EXPECT_EQ(out.TempPath().parent_path(), tree.Root());
    EXPECT_EQ(tree.Read("data.z"), "old");
  }  // abandoned, as when an error unwinds
  EXPECT_EQ(tree.Read("data.z"), "old");
  EXPECT_EQ(tree.CountIn(""), 1u);

  AtomicOutput out(tree.Path("data.z"));
  out.Write("new", 3);
  out.Commit();
  EXPECT_EQ(tree.Read("data.z"), "new");
  EXPECT_EQ(tree.CountIn(""), 1u);
}

TEST(AtomicOutputFile, FailedRenameLeavesNothing) {
  TestTree tree;
  tree.Write("data.z/inside", "a folder in the way");
  AtomicOutput out(tree.Path("data.z"));
  out.Write("new", 3);
  EXPECT_THROW(out.Commit(), MkpkgError);
  EXPECT_EQ(tree.Read("data.z/inside"), "a folder in the way");
  EXPECT_EQ(tree.CountIn(""), 1u);
}

}  // namespace
