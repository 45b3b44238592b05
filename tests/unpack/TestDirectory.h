// What the loader's tests share: a fresh directory per test, the message
// boxes captured instead of shown, and packages built from their records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageFormat.h"
#include "UnPack.h"

// Each test runs in a new directory of its own, made current, holding an
// empty folder "target". Afterwards the previous current directory and the
// real message dialog come back and the directory is removed.
class TestDirectory : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Full path of a name inside the test's directory.
  std::string PathOf(const std::string& relative) const { return Dir + "\\" + relative; }
  std::string Target() const { return PathOf("target"); }
  // Empties the target folder.
  void ClearTarget();
  // Writes data.z in the test's directory, loads it into `pack` and points
  // the extraction at the target.
  void LoadIntoTarget(TUnPack& pack, const std::string& bytes);

  // As the installer loads and extracts: the texts it would show the user
  // are added to Messages. Load: whether the package loaded.
  bool Load(TUnPack& pack, const std::string& name);
  // Extracts into TargetDir, through a chain of its own that lets go of its
  // folders afterwards; ReportedProblem tells whether any text was for the
  // user. Whether a package was held.
  bool RunExtract(TUnPack& pack);
  // What RunExtract raised: the I/O error's code (its message checked to
  // be the system's), 0 when it raised none.
  int ExtractError(TUnPack& pack);

  std::string Dir;                    // no trailing backslash
  std::vector<std::string> Messages;  // texts for the user, in order
  std::string TargetDir;              // where RunExtract writes
  bool ReportedProblem = false;       // by the last RunExtract
};

// Files and folders under dir, relative and sorted; folders end in "\".
std::vector<std::string> TreeOf(const std::string& dir);

void WriteBytes(const std::string& path, const std::string& bytes);
// The file's contents, or "<missing>" when it cannot be opened.
std::string ReadBytes(const std::string& path);

// Building packages.
std::string DemoHeader(const std::string& keyFileName = "demo.exe");
std::string DirRecord(const std::string& name);
std::string LeaveRecord();
std::string FileRecord(const std::string& name, const std::string& data);
// The 276-byte example: 1.0\doc\readme.txt ("abc") and 1.0\demo.exe.
std::string WorkedExample();
// What it extracts to, as TreeOf lists it.
std::vector<std::string> WorkedExampleTree();
std::string DemoExeData();  // the 200 bytes of demo.exe in it
