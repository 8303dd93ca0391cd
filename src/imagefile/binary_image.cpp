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

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)); }

}  // namespace

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
