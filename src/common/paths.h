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
