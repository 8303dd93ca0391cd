#include <algorithm>
#include <cctype>

#include "imagefile/image_file.h"

namespace {
bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}
}  // namespace

TImageFormat ImageFormatOf(const std::string& fileName) {
  const std::string_view name(fileName);
  return name.size() >= 4 && EqualNoCase(name.substr(name.size() - 4), ".hex") ? TImageFormat::Hex
                                                                               : TImageFormat::Bin;
}

bool ParseImageFormat(std::string_view text, TImageFormat& format) {
  if (EqualNoCase(text, "hex")) format = TImageFormat::Hex;
  else if (EqualNoCase(text, "bin")) format = TImageFormat::Bin;
  else return false;
  return true;
}

THexLoad LoadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip) {
  if (format == TImageFormat::Hex) return LoadHexFile(fileName, chip);
  LoadBinFile(fileName, chip);
  return THexLoad::Complete;
}

void SaveImageFile(const std::string& fileName, TImageFormat format, const TChip& chip) {
  if (format == TImageFormat::Hex) SaveHexFile(fileName, chip);
  else SaveBinFile(fileName, chip);
}
