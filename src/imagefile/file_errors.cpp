#include "imagefile/file_errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/error.h"

std::string PlatformFileError(int error) {
  switch (error) {
    case ENOENT: return "File not found";
    case ENOTDIR: return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return "File access denied";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "Disk full";
    case EMFILE:
    case ENFILE: return "Too many open files";
    case ENAMETOOLONG: return "Invalid filename";
    default: return FormatText("I/O error %d", {std::to_string(error)});
  }
}

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string FullFileName(const std::string& fileName) {
  std::error_code ec;
  auto full = std::filesystem::absolute(fileName, ec);
  return ec ? fileName : full.lexically_normal().string();
}
