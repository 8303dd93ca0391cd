// Where the program's files are: the executable, its folder and the settings file beside it.
#pragma once

#include <string>

// Full path of the running executable.
std::string ExecutablePath();
// Folder part of a path, up to and including the last path separator ("" when there is none).
std::string FolderPart(const std::string& path);
// The settings file of an executable: its path with the extension (from the last "." of the
// file name on) replaced by ".ini", or ".ini" appended when the file name has no extension.
std::string SettingsFileNameFor(const std::string& exePath);

// The folder of the shipped data (catalogue, language files), ending with a separator: the
// executable's folder when the catalogue is there (build tree, unpacked copy), otherwise
// ../share/tesmaro beside it (installed layout).
std::string DataFolderFor(const std::string& exeFolder);

// The file whose presence beside the executable makes its folder a portable copy (the build
// places it in the build tree).
inline constexpr const char* kPortableMarker = "tesmaro.portable";
// Whether the executable is a portable copy that keeps its settings beside itself: its folder
// already holds its settings file or the marker, is writable and is not a system folder
// (/usr, /bin, ...), so an installed program writes nothing there, even when run as root.
bool IsPortableCopy(const std::string& exePath);
// Where the settings are kept: beside the executable in a portable copy, otherwise
// $XDG_CONFIG_HOME/tesmaro/tesmaro.ini (default ~/.config/tesmaro/tesmaro.ini).
std::string SettingsFileFor(const std::string& exePath);

// The per-user configuration folder of the program, ending with a separator:
// $XDG_CONFIG_HOME/tesmaro/ (default ~/.config/tesmaro/).
std::string UserConfigFolder();
// The per-user folder of what the program keeps between runs, ending with a separator:
// $XDG_STATE_HOME/tesmaro/ (default ~/.local/state/tesmaro/).
std::string UserStateFolder();
// The user's own chip catalogue, read after the shipped one: see.ini in UserConfigFolder().
std::string UserCatalogueFile();
