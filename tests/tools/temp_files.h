// Scratch files for the readers and writers; removed when the test ends.
#pragma once

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace tessaro::tools::testing {

// A stream holding exactly these bytes, positioned at the start.
inline std::FILE* StreamOf(const std::string& bytes) {
  std::FILE* f = std::tmpfile();
  if (f != nullptr) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
  }
  return f;
}

// Named apart from every other process's too: ctest runs each test in a process of its own,
// several at once, and each process counts from 0.
class TempPath {
 public:
  explicit TempPath(const std::string& name)
      : path_((std::filesystem::temp_directory_path() /
               ("tessaro_tools_" + ProcessTag() + "_" + std::to_string(Counter()++) + "_" + name))
                  .string()) {}
  ~TempPath() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  const std::string& str() const { return path_; }

 private:
  static int& Counter() {
    static int n = 0;
    return n;
  }
  static const std::string& ProcessTag() {
    static const std::string tag = std::to_string(std::random_device{}());
    return tag;
  }
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

}  // namespace tessaro::tools::testing
