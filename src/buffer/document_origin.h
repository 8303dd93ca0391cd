// Where the bytes of a document came from: nothing yet, a chip read, or an image file with its
// format, the offset it was loaded at and the addresses its data covered.
#pragma once

#include <cstdint>
#include <string>

enum class TOriginKind { New, Chip, File };

struct TDocumentOrigin {
  TOriginKind Kind = TOriginKind::New;
  // The chip's name, or the file's full name.
  std::string Name;
  // A file's image format ("hex", "srec", "bin").
  std::string Format;
  // A file's load offset: buffer address 0 holds the file's address Offset.
  uint32_t Offset = 0;
  // The buffer addresses [DataStart, DataEnd) that a file's data covered; empty for none.
  uint32_t DataStart = 0;
  uint32_t DataEnd = 0;

  bool operator==(const TDocumentOrigin&) const = default;

  static TDocumentOrigin Untitled() { return {}; }
  static TDocumentOrigin ReadFromChip(std::string chipName) {
    TDocumentOrigin o;
    o.Kind = TOriginKind::Chip;
    o.Name = std::move(chipName);
    return o;
  }
  bool IsFile() const { return Kind == TOriginKind::File; }
};
