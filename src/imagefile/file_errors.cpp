#include "imagefile/file_errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/error.h"

TError PlatformFileFailure(int error, const std::string& fileName) {
  switch (error) {
    case ENOENT: return TError(TMessageKey{"FileNotFound"}, {fileName});
    case ENOTDIR: return TError(TMessageKey{"PathNotFound"}, {fileName});
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return TError(TMessageKey{"FileAccessDenied"}, {fileName});
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return TError(TMessageKey{"DiskFull"}, {fileName});
    case EMFILE:
    case ENFILE: return TError(TMessageKey{"TooManyOpenFiles"}, {fileName});
    case ENAMETOOLONG: return TError(TMessageKey{"InvalidFilename"}, {fileName});
    default: return TError(TMessageKey{"IOError"}, {std::to_string(error), fileName});
  }
}

std::string PlatformFileError(int error, const std::string& fileName) {
  return PlatformFileFailure(error, fileName).what();
}

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string FullFileName(const std::string& fileName) {
  std::error_code ec;
  auto full = std::filesystem::absolute(fileName, ec);
  return ec ? fileName : full.lexically_normal().string();
}
