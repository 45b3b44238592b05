// Extract: the tree written, progress stops, the key file, the problems it
// reports and the file-system errors that end it.
#include <windows.h>

#include <climits>

#include "Errors.h"
#include "FileSystem.h"
#include "MessagePump.h"
#include "TestDirectory.h"
#include "Text.h"
#include "UnPack.h"

namespace {

using Strings = std::vector<std::string>;
using Positions = std::vector<int32_t>;

const Strings workedExampleTree = WorkedExampleTree();

}  // namespace

class Extract : public TestDirectory {
 protected:
  using TestDirectory::Load;

  // Writes data.z, loads it and points it at the target; progress events
  // record where they fired.
  void Load(const std::string& bytes) {
    LoadIntoTarget(Pack, bytes);
    Pack.OnProgress = [this] { ProgressAt.push_back(Pack.Pos); };
  }

  // Enters a directory record's name as Extract does, but without the
  // record check that Extract runs first, as if the check had missed
  // something: what the extractor still refuses on its own. Its I/O error.
  int EnterUnchecked(const std::string& name) {
    EXPECT_TRUE(SetCurrentDirectoryA(Dir.c_str()));
    // Its own, which lets go of the folders it holds when done.
    TFolderChain folders;
    try {
      folders.Start(Target());
      folders.Enter(name);
    } catch (const EInOutError& e) {
      return e.ErrorCode;
    }
    return 0;
  }

  // Runs Extract expecting it to end with an I/O error; its code.
  // A package left held (by a failed extraction) would keep its folder.
  void TearDown() override {
    Pack.Stream.reset();
    TestDirectory::TearDown();
  }

  TUnPack Pack;
  Positions ProgressAt;
};

TEST_F(Extract, WorkedExample) {
  Load(WorkedExample());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_FALSE(ReportedProblem);
  EXPECT_EQ(TreeOf(Target()), workedExampleTree);
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\doc\\readme.txt"), "abc");
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), DemoExeData());
  EXPECT_EQ(Pack.RootDirName, "1.0");
  EXPECT_TRUE(Pack.KeyFound);
  EXPECT_EQ(Pack.KeyFilePath, Target() + "\\1.0\\demo.exe");
  // Step 34; events after the records ending at 36, 275 and 276 only.
  EXPECT_EQ(Pack.Pacing().Step, 34);
  EXPECT_EQ(ProgressAt, (Positions{36, 275, 276}));
  EXPECT_EQ(Pack.Pacing().NextStop, 136);
  EXPECT_EQ(GetCurrentDir(), Target());
  EXPECT_FALSE(Pack.Stream);
}

TEST_F(Extract, SecondCallDoesNothing) {
  Load(WorkedExample());
  ASSERT_TRUE(RunExtract(Pack));
  ASSERT_TRUE(DeleteFileA((Target() + "\\1.0\\doc\\readme.txt").c_str()));
  ProgressAt.clear();
  EXPECT_FALSE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_TRUE(ProgressAt.empty());
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\doc\\readme.txt"), "<missing>");
}

TEST_F(Extract, EmptyStreamReportsTheMissingKeyFile) {
  const struct {
    std::string package;
    const char* message;
  } cases[] = {
      {Package::EncodeHeader("", "", "", 0), "Internal error.\r\nFile :  not present!"},  // the 11-byte package
      {DemoHeader(), "Internal error.\r\nFile : demo.exe not present!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Messages.clear();
    ClearTarget();
    Load(c.package);
    EXPECT_EQ(Pack.Pos, Pack.Size);
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, Strings{c.message});
    EXPECT_TRUE(ReportedProblem);
    EXPECT_TRUE(ProgressAt.empty());
    EXPECT_EQ(Pack.RootDirName, "");
    EXPECT_EQ(TreeOf(Target()), Strings{});
  }
}

TEST_F(Extract, UnknownKindStopsWithItsHexCode) {
  const struct {
    uint8_t kind;
    std::string before;  // records before the bad kind byte
    Strings messages;
  } cases[] = {
      {0x0A, DirRecord("1.0"), {"Bad Command: 0A", "Internal error.\r\nFile : demo.exe not present!"}},
      {0xFF, "", {"Bad Command: FF", "Internal error.\r\nFile : demo.exe not present!"}},
      {0x03, DirRecord("1.0") + FileRecord("demo.exe", "x"), {"Bad Command: 03"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.messages[0]);
    Messages.clear();
    ClearTarget();
    const std::string package = DemoHeader() + c.before + char(c.kind) + FileRecord("after.txt", "never");
    Load(package);
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(Messages, c.messages);
    EXPECT_TRUE(ReportedProblem);
    EXPECT_EQ(Pack.Pos, int32_t(DemoHeader().size() + c.before.size()));
    EXPECT_FALSE(Pack.Stream);
    // What came before stays; nothing after the bad byte is written.
    EXPECT_EQ(ReadBytes(Target() + "\\1.0\\after.txt"), "<missing>");
    EXPECT_EQ(ReadBytes(Target() + "\\after.txt"), "<missing>");
    if (!c.before.empty()) {
      EXPECT_EQ(GetFileAttributesA((Target() + "\\1.0").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    }
  }
}

TEST_F(Extract, FileDataIsWrittenExactlyAndLAloneFindsTheNextRecord) {
  const std::string tricky("\x00\x01\x02\xFF\x00\x02", 6);
  WriteBytes(Target() + "\\empty.txt", "old contents");
  Load(DemoHeader() + FileRecord("empty.txt", "") + FileRecord("demo.exe", tricky) + DirRecord("d") +
       FileRecord("after.txt", "x") + LeaveRecord());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(ReadBytes(Target() + "\\empty.txt"), "");
  EXPECT_EQ(ReadBytes(Target() + "\\demo.exe"), tricky);
  EXPECT_EQ(ReadBytes(Target() + "\\d\\after.txt"), "x");
  EXPECT_EQ(TreeOf(Target()), (Strings{"d\\", "d\\after.txt", "demo.exe", "empty.txt"}));
}

TEST_F(Extract, ExistingDirectoryIsEnteredAsItIs) {
  ASSERT_TRUE(CreateDirectoryA((Target() + "\\1.0").c_str(), nullptr));
  WriteBytes(Target() + "\\1.0\\kept.txt", "mine");
  Load(WorkedExample());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_EQ(Pack.RootDirName, "1.0");
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\kept.txt"), "mine");
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), DemoExeData());
}

const std::string cyrillicFolder = "\xCF\xE0\xEF\xEA\xE0";  // Папка in Windows-1251
const std::string cyrillicKey = "\xD4\xE0\xE9\xEB.exe";     // Файл.exe
const std::string cyrillicSmall = "\xF4\xE0\xE9\xEB.exe";   // файл.exe

TEST_F(Extract, KeyFileIsFoundByName) {
  const struct {
    const char* what;
    std::string key;
    std::string records;
    std::string keyPath;  // relative to the target; empty when not found
  } cases[] = {
      {"ASCII case ignored, the later one wins", "demo.exe",
       DirRecord("a") + FileRecord("DEMO.EXE", "1") + LeaveRecord() + DirRecord("b") + FileRecord("Demo.exe", "2") +
           LeaveRecord(),
       "b\\Demo.exe"},
      {"Cyrillic names as their bytes", cyrillicKey,
       DirRecord(cyrillicFolder) + FileRecord(cyrillicKey, "1") + LeaveRecord(), cyrillicFolder + "\\" + cyrillicKey},
      {"Cyrillic case is not ignored", cyrillicKey, FileRecord(cyrillicSmall, "1"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Messages.clear();
    ClearTarget();
    Load(DemoHeader(c.key) + c.records);
    EXPECT_TRUE(RunExtract(Pack));
    if (c.keyPath.empty()) {
      EXPECT_EQ(Messages, Strings{"Internal error.\r\nFile : " + c.key + " not present!"});
      EXPECT_EQ(Pack.KeyFilePath, "");
    } else {
      EXPECT_TRUE(Messages.empty());
      EXPECT_EQ(Pack.KeyFilePath, Target() + "\\" + c.keyPath);
    }
    EXPECT_EQ(ReportedProblem, c.keyPath.empty());
  }
}

TEST_F(Extract, NamesReachTheSystemAsTheirBytes) {
  // Not converted from Windows-1251: the system reads them in its own code
  // page, whatever that is.
  Load(DemoHeader(cyrillicKey) + DirRecord(cyrillicFolder) + FileRecord(cyrillicKey, "1") + LeaveRecord());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_EQ(Pack.RootDirName, cyrillicFolder);
  const std::wstring wide = ToWide(Target()) + L"\\" + ToWide(cyrillicFolder) + L"\\" + ToWide(cyrillicKey);
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Extract, DirectoryNameTakenByAFileEndsExtractAndCanBeRetried) {
  WriteBytes(Target() + "\\1.0", "a file");
  Load(WorkedExample());
  // Windows and Wine both answer "already exists".
  EXPECT_EQ(ExtractError(Pack), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(TreeOf(Target()), Strings{"1.0"});
  EXPECT_EQ(GetCurrentDir(), Target());
  // The package is still held, with the failed record next.
  ASSERT_TRUE(Pack.Stream);
  EXPECT_EQ(Pack.Pos, 31);

  ASSERT_TRUE(DeleteFileA((Target() + "\\1.0").c_str()));
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_EQ(TreeOf(Target()), workedExampleTree);
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), DemoExeData());
}

TEST_F(Extract, FileThatCannotBeReplacedEndsExtract) {
  // As root, Wine writes over read-only files; a file held open without
  // sharing is refused everywhere.
  ASSERT_TRUE(CreateDirectoryA((Target() + "\\1.0").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((Target() + "\\1.0\\doc").c_str(), nullptr));
  WriteBytes(Target() + "\\1.0\\doc\\readme.txt", "old");
  THandle locked(CreateFileA((Target() + "\\1.0\\doc\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             0, nullptr));
  ASSERT_TRUE(locked.Valid());
  Load(WorkedExample());
  EXPECT_EQ(ExtractError(Pack), ERROR_SHARING_VIOLATION);
  locked.Reset();
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\doc\\readme.txt"), "old");
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), "<missing>");
  EXPECT_EQ(GetCurrentDir(), Target() + "\\1.0\\doc");
  EXPECT_FALSE(Pack.KeyFound);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(Extract, TargetThatCannotBeEnteredWritesNothing) {
  Load(WorkedExample());
  TargetDir = PathOf("missing");
  EXPECT_EQ(ExtractError(Pack), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(TreeOf(Dir), (Strings{"data.z", "target\\"}));
  EXPECT_EQ(GetCurrentDir(), Dir);
}

TEST_F(Extract, LeavingADriveRootStaysThere) {
  Load(DemoHeader() + LeaveRecord() + LeaveRecord());
  TargetDir = "C:\\";
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_EQ(GetCurrentDir(), "C:\\");
}

// Leave records beyond the target come only at the end (the load check
// refuses any other record there): they leave the extraction in the target.
TEST_F(Extract, LeavesBeyondTheTargetStayInIt) {
  Load(DemoHeader() + DirRecord("1.0") + FileRecord("demo.exe", "x") + LeaveRecord() + LeaveRecord() + LeaveRecord());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_EQ(GetCurrentDir(), Target());
}

// Names Windows resolves as the load check counts them, though not as
// written: the check of the current directory must not take them for aliases.
TEST_F(Extract, CaseAndSeparatorsOfNamesAreWindowsOwn) {
  ASSERT_TRUE(CreateDirectoryA((Target() + "\\manual").c_str(), nullptr));
  // A name of several components enters folders that exist already.
  Load(DemoHeader() + DirRecord("MANUAL") + FileRecord("a.txt", "a") + LeaveRecord() + DirRecord("x") + LeaveRecord() +
       DirRecord("x/y") + FileRecord("b.txt", "b") + LeaveRecord() + LeaveRecord() + DirRecord("x\\\\y\\") +
       FileRecord("demo.exe", "c") + LeaveRecord() + LeaveRecord());
  EXPECT_TRUE(RunExtract(Pack));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(TreeOf(Target()),
            (Strings{"manual\\", "manual\\a.txt", "x\\", "x\\y\\", "x\\y\\b.txt", "x\\y\\demo.exe"}));
  EXPECT_EQ(GetCurrentDir(), Target());
}

// Directory names the record check refuses, entered without it: Windows
// makes another name of them, cannot enter them or enters another folder.
// The record raises, which ends the extraction there: nothing further is
// written, least of all above the target where the next records would land.
TEST_F(Extract, DirectoryThatIsNotWhereTheRecordsLeadStopsIt) {
  const struct {
    const char* name;
    DWORD error;
    Strings tree;  // of the target afterwards
  } cases[] = {
      {"a ", ERROR_PATH_NOT_FOUND, {"a\\"}},      // made and entered as "a"
      {"b..", ERROR_PATH_NOT_FOUND, {"b\\"}},     // made and entered as "b"
      {"c.", ERROR_PATH_NOT_FOUND, {"c\\"}},      // made and entered as "c"
      {"..", ERROR_PATH_NOT_FOUND, {}},            // the target's parent
      {".", ERROR_PATH_NOT_FOUND, {}},             // the target itself
      {"d\\..\\..", ERROR_PATH_NOT_FOUND, {}},   // taken as "..", d or not
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearTarget();
    EXPECT_EQ(EnterUnchecked(c.name), int(c.error));
    Strings everything{"target\\"};
    for (const std::string& path : c.tree) everything.push_back("target\\" + path);
    EXPECT_EQ(TreeOf(Dir), everything) << "nothing anywhere else";
    EXPECT_TRUE(Messages.empty());
  }
}

TEST_F(Extract, StopsNearTheSizeLimitDoNotOverflow) {
  TProgressPacing pacing;
  pacing.Start(INT32_MAX, TUnPack::ProgressStops);
  pacing.NextStop = 8 * pacing.Step;  // the eighth stop, reached by the last record
  EXPECT_TRUE(pacing.Reached(INT32_MAX));
  EXPECT_EQ(pacing.NextStop, INT32_MAX);
}

namespace {

const UINT probeMessage = WM_APP + 1;
const TUnPack* watched = nullptr;
Positions dispatchedAt;

LRESULT CALLBACK RecordDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == probeMessage) {
    dispatchedAt.push_back(watched->Pos);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST_F(Extract, WindowMessagesAreHandledAtStopsOnly) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = RecordDispatch;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "UnPackTestProbe";
  RegisterClassA(&windowClass);
  HWND probe = CreateWindowA("UnPackTestProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
  ASSERT_TRUE(probe);

  // 128 bytes, so stops every 16: the first record ends at 15, before the
  // first stop; events after the records ending at 18, 40 and 128.
  const std::string package = Package::EncodeHeader("k", "", "", 0) + DirRecord("d") + DirRecord("d") + DirRecord("d") +
                              LeaveRecord() + LeaveRecord() + LeaveRecord() + FileRecord("k", std::string(9, 'k')) +
                              FileRecord("x", std::string(81, 'x'));
  ASSERT_EQ(package.size(), 128u);
  for (bool withProgress : {true, false}) {
    SCOPED_TRACE(withProgress ? "with a progress event" : "without one");
    ClearTarget();
    Load(package);
    // The installer's pause at each stop, with or without a message of its own.
    Pack.OnProgress = [&] {
      if (withProgress) PostMessageA(probe, probeMessage, 0, 0);
      ProcessMessagesOrAbort();
    };
    watched = &Pack;
    dispatchedAt.clear();
    PostMessageA(probe, probeMessage, 0, 0);  // waiting before Extract starts
    EXPECT_TRUE(RunExtract(Pack));
    EXPECT_EQ(dispatchedAt, withProgress ? (Positions{18, 18, 40, 128}) : (Positions{18}));
  }
  DestroyWindow(probe);
  watched = nullptr;
}

// What Extract records is exactly what it changed: taken back, the target
// is as it was, a file it replaced with its old contents.
TEST_F(Extract, TakenBackTheTargetIsAsItWas) {
  WriteBytes(Target() + "\\mine.txt", "mine");
  ASSERT_TRUE(CreateDirectoryA((Target() + "\\1.0").c_str(), nullptr));
  WriteBytes(Target() + "\\1.0\\demo.exe", "old");
  Load(WorkedExample() + FileRecord("new.txt", "n"));
  TCreatedItems created;
  Pack.Created = &created;
  ASSERT_TRUE(RunExtract(Pack));
  EXPECT_EQ(ReadBytes(Target() + "\\new.txt"), "n");

  SetCurrentDirectoryA(Dir.c_str());
  const TLeftItems left = created.Remove(nullptr);
  EXPECT_EQ(left.Count, 0u) << left.First;
  EXPECT_EQ(TreeOf(Target()), (Strings{"1.0\\", "1.0\\demo.exe", "mine.txt"}));
  EXPECT_EQ(ReadBytes(Target() + "\\1.0\\demo.exe"), "old");
}

// The record of what an extraction created holds a folder it made by its
// path alone: what lies in it goes with it, so its files add nothing,
// however many. In a folder that was there before, each file is recorded.
TEST_F(Extract, FilesInAFolderItMadeAddNothingToTheRecord) {
  const auto recordSize = [this](int files, bool folderThere) -> size_t {
    ClearTarget();
    if (folderThere) {
      EXPECT_TRUE(CreateDirectoryA((Target() + "\\1.0").c_str(), nullptr));
    }
    std::string bytes = DemoHeader() + DirRecord("1.0") + FileRecord("demo.exe", "MZ");
    for (int i = 1; i < files; ++i) bytes += FileRecord("file" + std::to_string(i) + ".txt", "x");
    TUnPack pack;
    LoadIntoTarget(pack, bytes + LeaveRecord());
    TCreatedItems created;
    pack.Created = &created;
    EXPECT_TRUE(RunExtract(pack));
    EXPECT_FALSE(ReportedProblem);
    EXPECT_EQ(TreeOf(Target()).size(), size_t(files) + 1);
    return created.MemoryUsed();
  };
  EXPECT_EQ(recordSize(1, false), recordSize(200, false));
  EXPECT_LT(recordSize(1, true), recordSize(200, true));
}

// The program asked to end while messages were handled at a stop (Exit
// confirmed, the window closed): nothing after that stop is written.
TEST_F(Extract, AnEndOfTheProgramStopsItAtTheStop) {
  Load(WorkedExample());
  Pack.OnProgress = [this] {
    ProgressAt.push_back(Pack.Pos);
    PostQuitMessage(0);
    ProcessMessagesOrAbort();
  };
  EXPECT_THROW(RunExtract(Pack), EAbort);
  const bool ended = IsTerminated();
  ClearTerminated();
  EXPECT_TRUE(ended);
  EXPECT_EQ(ProgressAt, Positions{36});
  EXPECT_EQ(TreeOf(Target()), Strings{"1.0\\"});
  EXPECT_TRUE(Messages.empty()) << "no message about the key file";
}
