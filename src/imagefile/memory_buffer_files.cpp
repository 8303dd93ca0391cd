// Loads into and saves from MemoryBuffer, for the window that still keeps its bytes there: each
// load reads into scratch space and takes the result only when the whole file read.
#include <cstring>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/image_file.h"

namespace {

std::span<uint8_t> Memory() { return {MemoryBuffer, static_cast<size_t>(kMemoryBufferSize)}; }

template <class Read>
void Safely(std::span<uint8_t> image, const std::string& name, Read&& read) {
  if (image.size() < static_cast<size_t>(kMemoryBufferSize))
    throw TError("The image buffer is smaller than the memory buffer.");
  std::vector<uint8_t> scratch(kMemoryBufferSize);
  const TImageExtent extent = read(std::span<uint8_t>(scratch));
  if (extent.End > static_cast<uint64_t>(kMemoryBufferSize)) {
    const auto problem = ImageFitProblem(name, extent, TChip{}, kMemoryBufferSize);
    throw TImageError(*problem);
  }
  std::memcpy(image.data(), scratch.data(), kMemoryBufferSize);
}

}  // namespace

void ReadImageFile(const std::string& fileName, TImageFormat format, const TChip&, uint32_t offset,
                   std::span<uint8_t> image) {
  Safely(image, fileName, [&](std::span<uint8_t> s) { return ReadImage(fileName, format, offset, s); });
}

void LoadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip, uint32_t offset) {
  ReadImageFile(fileName, format, chip, offset, Memory());
}

void LoadHexFile(const std::string& fileName, const TChip& chip, uint32_t offset) {
  LoadImageFile(fileName, TImageFormat::Hex, chip, offset);
}

void LoadSRecFile(const std::string& fileName, const TChip& chip, uint32_t offset) {
  LoadImageFile(fileName, TImageFormat::SRec, chip, offset);
}

void LoadBinFile(const std::string& fileName, const TChip& chip) {
  LoadImageFile(fileName, TImageFormat::Bin, chip, 0);
}

void LoadHexText(std::string_view text, const TChip&, uint32_t offset) {
  Safely(Memory(), "image", [&](std::span<uint8_t> s) { return ReadImageText(text, TImageFormat::Hex, offset, s); });
}

void LoadSRecText(std::string_view text, const TChip&, uint32_t offset) {
  Safely(Memory(), "image", [&](std::span<uint8_t> s) { return ReadImageText(text, TImageFormat::SRec, offset, s); });
}

std::string HexText(const TChip& chip) {
  return ImageText(TImageFormat::Hex, Memory(), ChipSpan(TImageFormat::Hex, chip));
}

std::string SRecText(const TChip& chip) {
  return ImageText(TImageFormat::SRec, Memory(), ChipSpan(TImageFormat::SRec, chip));
}

void SaveImageFile(const std::string& fileName, TImageFormat format, const TChip& chip) {
  WriteImage(fileName, format, Memory(), ChipSpan(format, chip));
}

void SaveHexFile(const std::string& fileName, const TChip& chip) { SaveImageFile(fileName, TImageFormat::Hex, chip); }

void SaveSRecFile(const std::string& fileName, const TChip& chip) { SaveImageFile(fileName, TImageFormat::SRec, chip); }

void SaveBinFile(const std::string& fileName, const TChip& chip) { SaveImageFile(fileName, TImageFormat::Bin, chip); }

std::optional<uint64_t> LowestImageAddress(const std::string& fileName, TImageFormat format) {
  if (!ImageFormatInfo(format).HasAddresses) return std::nullopt;
  try {
    const TImageExtent extent = ReadImage(fileName, format, 0, {});
    if (extent.HasData()) return extent.First;
  } catch (const std::exception&) {
    // The load itself reports what is wrong with the file.
  }
  return std::nullopt;
}
