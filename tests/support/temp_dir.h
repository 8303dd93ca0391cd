// A fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

class TTempDir {
 public:
  TTempDir() {
    std::random_device rd;
    Path_ = std::filesystem::temp_directory_path() / ("tesmaro-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(Path_);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::permissions(Path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(Path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // Full name of a file in the folder (ends with "/" for name "").
  std::string File(const std::string& name) const { return (Path_ / name).string(); }
  std::string Folder() const { return Path_.string() + "/"; }

  std::string Write(const std::string& name, const std::string& content) const {
    std::ofstream f(File(name), std::ios::binary);
    f << content;
    return File(name);
  }
  std::string Read(const std::string& name) const { return ReadFile(File(name)); }

  static std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  std::filesystem::path Path_;
};
