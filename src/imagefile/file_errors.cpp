#include "imagefile/file_errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/error.h"

TError PlatformFileFailure(int error) {
  switch (error) {
    case ENOENT: return TError(TMessageKey{"FileNotFound"});
    case ENOTDIR: return TError(TMessageKey{"PathNotFound"});
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return TError(TMessageKey{"FileAccessDenied"});
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return TError(TMessageKey{"DiskFull"});
    case EMFILE:
    case ENFILE: return TError(TMessageKey{"TooManyOpenFiles"});
    case ENAMETOOLONG: return TError(TMessageKey{"InvalidFilename"});
    default: return TError(TMessageKey{"IOError"}, {std::to_string(error)});
  }
}

std::string PlatformFileError(int error) { return PlatformFileFailure(error).what(); }

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string FullFileName(const std::string& fileName) {
  std::error_code ec;
  auto full = std::filesystem::absolute(fileName, ec);
  return ec ? fileName : full.lexically_normal().string();
}
