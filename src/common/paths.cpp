#include "common/paths.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

std::string ExecutablePath() {
#ifdef _WIN32
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
#else
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
#endif
}

namespace {
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}
}  // namespace

std::string FolderPart(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return path.substr(0, i);
  return std::string();
}

std::string SettingsFileNameFor(const std::string& exePath) {
  size_t nameStart = FolderPart(exePath).size();
  size_t dot = exePath.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return exePath + ".ini";
  return exePath.substr(0, dot) + ".ini";
}
