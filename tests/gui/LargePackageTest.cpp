// A package far larger than the programs we test with: setup.exe reads it
// in pieces, so it loads even where a 32-bit address space has no free block
// of its size (what held it whole needed one: 1 GiB still loaded under Wine,
// 1.5 GiB no longer did). Its memory is bounded in tests/unpack/StreamingTest.
#include <gtest/gtest.h>

#include <string>

#include "ControlIds.h"
#include "GuiDriver.h"
#include "PackageFormat.h"
#include "SetupRun.h"

using namespace GuiDriver;
using SetupTest::SetupRun;

namespace {

// Above the largest block a 32-bit program that is not large-address-aware
// finds free under Wine.
constexpr int32_t BigFileSize = 1536 << 20;

// The demo package with a file of `size` zero bytes before demo.exe, written
// sparse: the disk holds only the records.
void WriteSparsePackage(const std::wstring& path, int32_t size) {
  const std::string head = Package::EncodeHeader("demo.exe", "Big 1.0", "Big", size) +
                           Package::EncodeDirectoryRecord("1.0") + Package::EncodeFileRecordStart("big.bin", size);
  const std::string tail = Package::EncodeFileRecordStart("demo.exe", 2) + "MZ" + Package::EncodeLeaveRecord();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, head.data(), DWORD(head.size()), &written, nullptr));
  LARGE_INTEGER past{};
  past.QuadPart = size;
  EXPECT_TRUE(SetFilePointerEx(file, past, nullptr, FILE_CURRENT));
  EXPECT_TRUE(WriteFile(file, tail.data(), DWORD(tail.size()), &written, nullptr));
  CloseHandle(file);
}

TEST(LargePackage, LoadsAndShowsItsWindow) {
  SetupRun run([](const std::wstring& path) { WriteSparsePackage(path, BigFileSize); });
  HWND window = run.WaitForMaximizedWindow();
  ASSERT_NE(window, nullptr) << "no window: the package did not load";
  for (HWND top : run.Program->Windows()) EXPECT_FALSE(IsDialog(top)) << Text(top);
  HWND required = FindControlById(window, RequiredLabelId);
  WaitUntil([&] { return Text(required) == L"Required: 1610612 kb"; });
  EXPECT_EQ(Text(required), L"Required: 1610612 kb");
  PressCloseBox(window);
  DWORD code = 1;
  ASSERT_TRUE(run.Program->WaitForExit(&code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
