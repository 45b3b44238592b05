#include "TestDirectory.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Errors.h"
#include "FolderTree.h"
#include "MessageDialog.h"
#include "Text.h"

namespace {

std::string previousDir;

}  // namespace

void TestDirectory::SetUp() {
  char buffer[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, buffer);
  previousDir = buffer;
  GetTempPathA(MAX_PATH, buffer);
  static int serial = 0;
  Dir = std::string(buffer) + "unpack-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  FolderTree::Remove(Dir);
  ASSERT_TRUE(CreateDirectoryA(Dir.c_str(), nullptr)) << Dir;
  ASSERT_TRUE(CreateDirectoryA(Target().c_str(), nullptr));
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.c_str()));
  // The extractor shows nothing: a box would be a fault, and is counted.
  SetMessageDlgHook([this](const std::wstring& text, TMsgDlgType, unsigned) {
    ADD_FAILURE() << "a message box: " << FromWide(text);
    Messages.push_back(FromWide(text));
    return int(mrOk);
  });
}

bool TestDirectory::Load(TUnPack& pack, const std::string& name) {
  const TUnPackOutcome outcome = pack.LoadPackage(name);
  for (const std::string& text : pack.Messages(outcome)) Messages.push_back(text);
  return outcome.Sound();
}

bool TestDirectory::RunExtract(TUnPack& pack) {
  TFolderChain target;
  target.Start(TargetDir);
  const TUnPackOutcome outcome = pack.Extract(target);
  for (const std::string& text : pack.Messages(outcome)) Messages.push_back(text);
  ReportedProblem = !outcome.Sound();
  return outcome.Problem != TUnPackOutcome::NothingHeld;
}

void TestDirectory::LoadIntoTarget(TUnPack& pack, const std::string& bytes) {
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.c_str()));
  WriteBytes("data.z", bytes);
  ASSERT_TRUE(Load(pack, "data.z"));
  TargetDir = Target();
}

void TestDirectory::ClearTarget() {
  // A folder that is current cannot be removed.
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.c_str()));
  FolderTree::Remove(Target());
  ASSERT_TRUE(CreateDirectoryA(Target().c_str(), nullptr)) << Target();
}

void TestDirectory::TearDown() {
  SetMessageDlgHook(nullptr);
  SetCurrentDirectoryA(previousDir.c_str());  // before removing the folder
  FolderTree::Remove(Dir);
}

std::vector<std::string> TreeOf(const std::string& dir) {
  std::vector<std::string> tree;
  FolderTree::Walk(dir, [&](const std::string& path, DWORD attributes) {
    tree.push_back(attributes & FILE_ATTRIBUTE_DIRECTORY ? path + "\\" : path);
  });
  std::sort(tree.begin(), tree.end());
  return tree;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int TestDirectory::ExtractError(TUnPack& pack) {
  try {
    RunExtract(pack);
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message, IoErrorMessage(e.ErrorCode));
    return e.ErrorCode;
  }
  return 0;
}

std::string DemoHeader(const std::string& keyFileName) {
  return Package::EncodeHeader(keyFileName, "Demo 1.0", "Demo", 2000000);
}
std::string DirRecord(const std::string& name) { return Package::EncodeDirectoryRecord(name); }
std::string LeaveRecord() { return Package::EncodeLeaveRecord(); }
std::string FileRecord(const std::string& name, const std::string& data) {
  return Package::EncodeFileRecordStart(name, int32_t(data.size())) + data;
}

std::string DemoExeData() {
  std::string data;
  for (int i = 0; i < 200; ++i) data.push_back(char(i));  // zero and kind-like bytes included
  return data;
}

std::vector<std::string> WorkedExampleTree() {
  return {"1.0\\", "1.0\\demo.exe", "1.0\\doc\\", "1.0\\doc\\readme.txt"};
}

std::string WorkedExample() {
  return DemoHeader() + DirRecord("1.0") + DirRecord("doc") + FileRecord("readme.txt", "abc") + LeaveRecord() +
         FileRecord("demo.exe", DemoExeData()) + LeaveRecord();
}
