#include "common/paths.h"

#include <filesystem>

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
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

std::string DataFolderFor(const std::string& exeFolder) {
  std::error_code ec;
  if (std::filesystem::exists(exeFolder + "see.ini", ec)) return exeFolder;
  auto installed = (std::filesystem::path(exeFolder) / ".." / "share" / "tesmaro").lexically_normal();
  if (std::filesystem::is_directory(installed, ec)) return installed.string() + "/";
  return exeFolder;
}

std::string SettingsFileFor(const std::string& exePath) {
  std::string beside = SettingsFileNameFor(exePath);
#ifdef _WIN32
  return beside;
#else
  const std::string folder = FolderPart(exePath);
  if (access(folder.empty() ? "." : folder.c_str(), W_OK) == 0) return beside;
  return UserConfigFolder() + "tesmaro.ini";
#endif
}

std::string UserConfigFolder() {
  std::string config;
#ifdef _WIN32
  if (const char* appData = std::getenv("APPDATA"); appData && *appData) return std::string(appData) + "\\tesmaro\\";
#endif
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    config = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return config + "/tesmaro/";
}

std::string UserCatalogueFile() { return UserConfigFolder() + "see.ini"; }
