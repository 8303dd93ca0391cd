// The image-file sequence every front end shares: the format by name or content (from the
// image-format table) unless one is given, the read at an offset (or, asked, at the data's start),
// the fit to the memory buffer and to the chip, and what a load or save says when it fails.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "buffer/document_origin.h"
#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "imagefile/image_file.h"

// What a load does with data past the chip.
enum class TPastChip {
  Refuse,  // the load fails, naming where the data and the chip end
  Cut,     // only the chip's first Size bytes are used, with a warning
  Keep,    // all are kept (the document holds them), with a warning that a write takes only the chip's part
};

struct TImageLoadRequest {
  std::string File;                    // the file's name; names it in messages
  std::optional<std::string> Text;     // the file's content when it is not read from File (standard input)
  std::optional<TImageFormat> Format;  // else the format by name or content
  uint32_t Offset = 0;
  // Data that start past the chip: ask "ImgAskOffset" whether to load them at address 0.
  bool AskOffset = false;
  TChip Chip;               // Size 0: no chip, only the buffer limits the data
  bool OnlyBuffer = false;  // the data need fit only the buffer (a conversion); Chip is for Cut
  TPastChip PastChip = TPastChip::Refuse;
};

struct TImageLoad {
  bool Loaded = false;
  int ExitCode = 0;   // kExitFile when the load failed
  std::string Error;  // why it failed, in the interface's language
  TImageFormat Format = TImageFormat::Bin;
  uint32_t Offset = 0;  // the offset the data were loaded at
  TImageExtent Extent;  // where the data lay (cut to the chip with TPastChip::Cut)
  std::vector<std::string> Warnings;
};

// Loads the request's file into image (first filled with 0xFF); image keeps what the read left
// when the load failed, so a caller that must keep its bytes passes scratch space.
TImageLoad LoadImageInto(const TImageLoadRequest& request, std::span<uint8_t> image, TUserInterface& ui);

struct TImageSave {
  bool Saved = false;
  int ExitCode = 0;   // kExitFile when the save failed
  std::string Error;  // why it failed (the file is then as it was), in the interface's language
};

// Saves image over span to file in format (TSafeFileWriter: a failed save leaves the file).
TImageSave SaveImageFile(const std::string& file, TImageFormat format, std::span<const uint8_t> image,
                         const TImageSpan& span, TUserInterface& ui);

// The part of image a save of a document from origin writes for chip: the chip's bytes and the
// data the origin's file held, at its offset.
TImageSpan DocumentSpan(TImageFormat format, const TChip& chip, const TDocumentOrigin& origin);
// The origin of a document from origin saved to file in format over span: the file now holds the
// data the old file held and the chip's bytes, so the next save covers at least these.
TDocumentOrigin SavedOrigin(const TDocumentOrigin& origin, const std::string& file, TImageFormat format,
                            const TImageSpan& span, const TChip& chip);
