// A scratch folder for one test, removed afterwards, with helpers to fill
// it with files given by UTF-8 paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace MkpkgTest {

namespace fs = std::filesystem;

class TestTree {
 public:
  TestTree() {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("mkpkg-test-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(root_);
  }
  ~TestTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  TestTree(const TestTree&) = delete;
  TestTree& operator=(const TestTree&) = delete;

  const fs::path& Root() const { return root_; }
  fs::path Path(const std::string& utf8) const { return root_ / fs::u8path(utf8); }
  std::string Utf8(const std::string& relative) const { return Path(relative).u8string(); }

  fs::path Write(const std::string& utf8, const std::string& content) const {
    const fs::path path = Path(utf8);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fs::path Folder(const std::string& utf8) const {
    fs::create_directories(Path(utf8));
    return Path(utf8);
  }
  std::string Read(const std::string& utf8) const { return ReadFile(Path(utf8)); }
  bool Exists(const std::string& utf8) const { return fs::exists(Path(utf8)); }
  // Every entry directly in a folder, for spotting leftover files.
  size_t CountIn(const std::string& utf8) const {
    size_t n = 0;
    for (auto it = fs::directory_iterator(Path(utf8)); it != fs::directory_iterator(); ++it) ++n;
    return n;
  }

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  fs::path root_;
};

inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  int high = -1;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(char(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

// The 200 bytes of the example's demo.exe: any fixed contents will do.
inline std::string DemoExe() {
  std::string data;
  for (int i = 0; i < 200; ++i) data.push_back(char((i * 37 + 11) & 0xFF));
  return data;
}

// The small example package the tests share, byte for byte, as its tree
// (WriteWorkedExampleTree) should pack to it.
inline std::string WorkedExampleBytes() {
  return FromHex("02000000 64656D6F2E65786500 44656D6F20312E3000 44656D6F00 80841E00"
                 "00312E3000 00646F6300 02726561646D652E7478740003000000616263 01"
                 "0264656D6F2E65786500C8000000") +
         DemoExe() + FromHex("01");
}

inline void WriteWorkedExampleTree(const TestTree& tree) {
  tree.Write("1.0/doc/readme.txt", "abc");
  tree.Write("1.0/demo.exe", DemoExe());
}

}  // namespace MkpkgTest
