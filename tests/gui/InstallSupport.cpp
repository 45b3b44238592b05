#include "InstallSupport.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "FolderTree.h"
#include "PackageFormat.h"

PackageBuilder::PackageBuilder(const std::string& keyFileName, const std::string& title,
                               const std::string& folderName, int requiredSize)
    : bytes(Package::EncodeHeader(keyFileName, title, folderName, requiredSize)) {}

PackageBuilder& PackageBuilder::Dir(const std::string& name) {
  bytes += Package::EncodeDirectoryRecord(name);
  current += name + "\\";
  tree[current] = "";
  return *this;
}

PackageBuilder& PackageBuilder::Leave() {
  bytes += Package::EncodeLeaveRecord();
  if (!current.empty()) current.erase(current.find_last_of('\\', current.size() - 2) + 1);
  return *this;
}

PackageBuilder& PackageBuilder::File(const std::string& name, const std::string& data) {
  bytes += Package::EncodeFileRecordStart(name, int32_t(data.size())) + data;
  tree[current + name] = data;
  return *this;
}

PackageBuilder& PackageBuilder::Raw(const std::string& raw) {
  bytes += raw;
  return *this;
}

namespace {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a command line and waits for it; its exit code.
DWORD Run(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    throw std::runtime_error("cannot run " + commandLine);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

// A quoted .reg string: backslash and double quote escaped by a backslash.
std::string Unquote(const std::string& quoted, size_t& pos) {
  std::string text;
  for (++pos; pos < quoted.size() && quoted[pos] != '"'; ++pos) {
    if (quoted[pos] == '\\' && pos + 1 < quoted.size()) ++pos;
    text += quoted[pos];
  }
  ++pos;
  return text;
}

}  // namespace

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  FolderTree::Walk(folder, [&](const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      tree[path + "\\"] = "";
    else
      tree[path] = ReadFileBytes(folder + "\\" + path);
  });
  return tree;
}

std::map<std::string, std::string> ProductTree(const std::string& folder, const std::vector<std::string>& versions) {
  std::map<std::string, std::string> tree = ReadTree(folder);
  for (const std::string& version : versions)
    for (const char* name : {"uninstall.exe", "uninstall.dat"})
      if (tree.erase(version + "\\" + name) == 0)
        throw std::runtime_error("no " + std::string(name) + " in " + folder + "\\" + version);
  return tree;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFileBytes(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), std::streamsize(data.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

RegistryTree ExportRegistry(const std::string& root) {
  const std::string file = TempPath("install-test-export.reg");
  DeleteFileA(file.c_str());
  RegistryTree result;
  if (Run("reg.exe export \"" + root + "\" \"" + file + "\" /y") != 0)
    throw std::runtime_error("reg.exe cannot export " + root);

  // reg.exe writes UTF-16 with a byte-order mark.
  const std::string raw = ReadFileBytes(file);
  DeleteFileA(file.c_str());
  if (raw.empty()) throw std::runtime_error("reg.exe exported nothing of " + root);
  std::wstring wide(raw.size() / 2, L'\0');
  raw.copy(reinterpret_cast<char*>(wide.data()), wide.size() * 2);
  if (!wide.empty() && wide[0] == 0xFEFF) wide.erase(0, 1);
  std::string text(wide.size() * 2 + 1, '\0');
  text.resize(size_t(WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), text.data(), int(text.size()),
                                         nullptr, nullptr)));

  std::string key;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      key = line.substr(1, line.size() - 2);
      key = key.size() > root.size() ? key.substr(root.size() + 1) : "";
      result[key];
    } else if (!line.empty() && line.front() == '"') {
      size_t pos = 0;
      const std::string name = Unquote(line, pos);
      if (pos < line.size() && line[pos] == '=') ++pos;
      result[key][name] = pos < line.size() && line[pos] == '"' ? Unquote(line, pos) : line.substr(pos);
    }
  }
  return result;
}

LONG RegistryKeyOpenResult(const std::string& key) {
  const std::string root = "HKEY_CURRENT_USER\\";
  if (key.compare(0, root.size(), root) != 0) throw std::invalid_argument("not under HKEY_CURRENT_USER: " + key);
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, key.substr(root.size()).c_str(), 0, KEY_READ, &opened);
  if (result == ERROR_SUCCESS) RegCloseKey(opened);
  return result;
}

FrozenProcess::FrozenProcess(DWORD processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    if (SuspendThread(thread) == DWORD(-1))
      CloseHandle(thread);
    else
      threads.push_back(thread);
  }
  CloseHandle(snapshot);
}

FrozenProcess::~FrozenProcess() {
  for (HANDLE thread : threads) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
}

std::string StartMenuPrograms() {
  char profile[MAX_PATH] = "";
  GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
  return std::string(profile) + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
}

std::wstring LinkTarget(const std::wstring& linkPath) {
  if (FAILED(CoInitialize(nullptr))) return L"";
  std::wstring target;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t path[MAX_PATH] = L"";
      if (SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ)) &&
          link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
        target = path;
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return target;
}

std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  std::wstring wide(text.size(), L'\0');
  wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
  std::string utf8(wide.size() * 3, '\0');
  utf8.resize(size_t(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), int(utf8.size()), nullptr, nullptr)));
  return utf8;
}

void ExpectLinkLine(const std::string& linkPath, const std::string& line) {
  // Read on the Linux side, where names and lnkinfo's lines are UTF-8.
  const char* const checks = "C:\\link-checks.txt";
  std::ofstream out(checks, std::ios::app);
  out << AnsiToUtf8(linkPath) << '\t' << AnsiToUtf8(line) << '\n';
  if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + checks);
  // The runner counts these lines against the file's.
  std::cout << "link check expected" << std::endl;
}
