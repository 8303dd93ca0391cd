#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/file_errors.h"
#include "imagefile/image_file.h"
#include "imagefile/safe_file_writer.h"

namespace {

size_t ChipBytes(const TChip& chip) {
  return static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void CannotOpen(const std::string& fileName, int error) {
  throw TError(TMessageKey{"CannotOpenFile"}, {FullFileName(fileName), SystemErrorText(error)});
}

}  // namespace

void LoadBinFile(const std::string& fileName, const TChip& chip) {
  const size_t size = ChipBytes(chip);
  std::memset(MemoryBuffer, kBlankValue, size);
  errno = 0;
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) CannotOpen(fileName, errno ? errno : EIO);
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) CannotOpen(fileName, EISDIR);
  size_t done = 0;
  while (done < size) {
    errno = 0;
    size_t got = std::fread(MemoryBuffer + done, 1, size - done, file.get());
    if (got == 0) {
      if (std::ferror(file.get()))
        throw TError(TMessageKey{"CannotReadFile"}, {FullFileName(fileName), SystemErrorText(errno ? errno : EIO)});
      break;
    }
    done += got;
  }
}

void SaveBinFile(const std::string& fileName, const TChip& chip) {
  TSafeFileWriter writer(fileName);
  TFileFailure failure = writer.Open();
  if (!failure) failure = writer.Write(MemoryBuffer, ChipBytes(chip));
  if (!failure) failure = writer.Commit();
  if (!failure) return;
  if (failure.Stage == TFileFailure::Create)
    throw TError(TMessageKey{"CannotCreateFile"}, {FullFileName(fileName), SystemErrorText(failure.Error)});
  throw TError(TMessageKey{"StreamWriteError"});
}
