// The format of an image file by its name or by a format option, and the load and save by format.
#include <algorithm>
#include <cctype>

#include "imagefile/image_file.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

struct TExtension {
  const char* Name;
  TImageFormat Format;
};
constexpr TExtension kExtensions[] = {
    {"hex", TImageFormat::Hex},  {"ihx", TImageFormat::Hex},  {"ihex", TImageFormat::Hex},  {"s19", TImageFormat::SRec},
    {"s28", TImageFormat::SRec}, {"s37", TImageFormat::SRec}, {"srec", TImageFormat::SRec}, {"mot", TImageFormat::SRec},
    {"s", TImageFormat::SRec},   {"bin", TImageFormat::Bin},
};

}  // namespace

std::optional<TImageFormat> KnownImageFormatOf(const std::string& fileName) {
  const std::string_view name(fileName);
  // The extension of the last path component only: a dot in a folder name is no extension.
  const size_t slash = name.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  const std::string_view extension = base.substr(dot + 1);
  for (const TExtension& e : kExtensions)
    if (EqualNoCase(extension, e.Name)) return e.Format;
  return std::nullopt;
}

TImageFormat ImageFormatOf(const std::string& fileName) {
  return KnownImageFormatOf(fileName).value_or(TImageFormat::Bin);
}

bool ParseImageFormat(std::string_view text, TImageFormat& format) {
  if (EqualNoCase(text, "hex"))
    format = TImageFormat::Hex;
  else if (EqualNoCase(text, "srec"))
    format = TImageFormat::SRec;
  else if (EqualNoCase(text, "bin"))
    format = TImageFormat::Bin;
  else
    return false;
  return true;
}

void SaveImageFile(const std::string& fileName, TImageFormat format, const TChip& chip) {
  switch (format) {
    case TImageFormat::Hex: SaveHexFile(fileName, chip); break;
    case TImageFormat::SRec: SaveSRecFile(fileName, chip); break;
    case TImageFormat::Bin: SaveBinFile(fileName, chip); break;
  }
}
