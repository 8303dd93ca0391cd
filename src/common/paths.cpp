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

namespace {

// Folders of the installed system: a settings file never goes there, even when the user may write
// there (root).
bool IsSystemFolder(const std::string& folder) {
#ifdef _WIN32
  (void)folder;
  return false;
#else
  for (const char* system : {"/bin/", "/sbin/", "/usr/", "/lib/", "/lib32/", "/lib64/", "/libx32/", "/etc/", "/boot/"})
    if (folder.rfind(system, 0) == 0) return true;
  return false;
#endif
}

bool IsWritableFolder(const std::string& folder) {
#ifdef _WIN32
  (void)folder;
  return true;
#else
  return access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
#endif
}

}  // namespace

bool IsPortableCopy(const std::string& exePath) {
  const std::string folder = FolderPart(exePath);
  if (IsSystemFolder(folder) || !IsWritableFolder(folder)) return false;
  std::error_code ec;
  return std::filesystem::exists(SettingsFileNameFor(exePath), ec) ||
         std::filesystem::exists(folder + kPortableMarker, ec);
}

std::string SettingsFileFor(const std::string& exePath) {
  return IsPortableCopy(exePath) ? SettingsFileNameFor(exePath) : UserConfigFolder() + "tesmaro.ini";
}

namespace {

// The program's folder under an XDG base directory: $VARIABLE/tesmaro/ when it is set to an
// absolute path, else ~/FALLBACK/tesmaro/; on Windows %WINDOWSVARIABLE%\tesmaro\ when set.
std::string XdgFolder(const char* variable, const char* fallback, [[maybe_unused]] const char* windowsVariable) {
#ifdef _WIN32
  if (const char* w = std::getenv(windowsVariable); w && *w) return std::string(w) + "\\tesmaro\\";
#endif
  std::string base;
  if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/" + fallback;
  }
  return base + "/tesmaro/";
}

}  // namespace

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config", "APPDATA"); }

std::string UserStateFolder() { return XdgFolder("XDG_STATE_HOME", ".local/state", "LOCALAPPDATA"); }

std::string UserCatalogueFile() { return UserConfigFolder() + "see.ini"; }
