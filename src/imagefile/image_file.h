// Image files: Intel HEX, Motorola S-records and raw binary, read into and written from a span of
// bytes (the document's, or a command's own image). One table describes the formats; the format
// of a file follows its extension, and its content where the extension names no format.
//
// A read fills the image it is given, so a caller that must keep its bytes on a failure reads
// into scratch space (the document's) and takes the result only when the read succeeded. Read
// errors name the file and, for the text formats, the line (TImageError, TError).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "imagefile/image_error.h"

enum class TImageFormat { Hex, SRec, Bin };

// Where a file's data lay, in image addresses (the file's addresses less the load offset): the
// lowest data byte and one past the highest. Data past the image are counted, not stored.
struct TImageExtent {
  TImageExtent() = default;
  TImageExtent(uint64_t first, uint64_t end) : First(first), End(end) {}
  uint64_t First = UINT64_MAX;
  uint64_t End = 0;
  // What the reader found doubtful without refusing the file (an S-record file without its
  // header, count and end records).
  std::vector<TKeyedText> Warnings;
  bool HasData() const { return First < End; }
  bool operator==(const TImageExtent&) const = default;
};

// --- reading ---

// Reads the named file in format into image, which is first filled with 0xFF: every data byte at
// its address less offset (binary images have no addresses and start at 0). Throws for a file
// that can't be read ("File not found: image.hex"), a record that is malformed or has a wrong
// checksum, a byte below offset, two records giving one address different values, a text file
// without its end record ("image.hex ends without an end record after line 257: it may be cut
// short."), a file without data ("image.hex holds no data."). With an empty image it only reads.
TImageExtent ReadImage(const std::string& fileName, TImageFormat format, uint32_t offset, std::span<uint8_t> image);
// The same over text in memory; name, when given, stands for the file in messages.
TImageExtent ReadImageText(std::string_view text, TImageFormat format, uint32_t offset, std::span<uint8_t> image,
                           const std::string& name = "");

// Why data of extent do not fit the chip (past its Size) or an image of capacity bytes:
// "image.hex holds data up to 0x2FFF; the 24C64 ends at 0x1FFF." Nothing when they fit. A chip
// of no size limits nothing.
std::optional<TKeyedText> ImageFitProblem(const std::string& fileName, const TImageExtent& extent, const TChip& chip,
                                          uint64_t capacity);

// --- writing ---

// The part of an image that a save writes: image addresses [Start, End), written at the file's
// addresses Start + Offset (binary images: the bytes from 0 to End). Header names the chip in an
// S-record header.
struct TImageSpan {
  uint32_t Start = 0;
  uint32_t End = 0;
  uint32_t Offset = 0;
  std::string Header;
};

// The chip's bytes as a save of a chip read writes them: Intel HEX records of sixteen bytes over
// the 16-bit count up to 64 KiB (the last record whole), the whole Size above; the others Size.
TImageSpan ChipSpan(TImageFormat format, const TChip& chip);
// The chip's bytes together with the data a file covered (image addresses [dataStart, dataEnd)),
// written at the file's offset: a file saved back keeps every byte it held.
TImageSpan SaveSpan(TImageFormat format, const TChip& chip, uint32_t dataStart, uint32_t dataEnd, uint32_t offset);

// The file's text (or bytes) of image over span: CR LF line ends; Intel HEX with extended linear
// address records where addresses pass 64 KiB; S-records S1/S2/S3 by the highest address, with an
// S0 header, the S5/S6 record count and the matching end record.
std::string ImageText(TImageFormat format, std::span<const uint8_t> image, const TImageSpan& span);
// Writes the named file (TSafeFileWriter); errors name the file ("File access denied: x.hex").
void WriteImage(const std::string& fileName, TImageFormat format, std::span<const uint8_t> image,
                const TImageSpan& span);

// --- the formats ---

struct TImageSource;
class TImageSink;
using TImagePut = void (*)(void* context, const char* data, size_t size);

struct TImageFormatInfo {
  TImageFormat Format;
  const char* Id;          // "hex": the value of the format options, stored in documents
  const char* Name;        // "Intel HEX"
  const char* Extensions;  // "hex ihx ihex", any letter case; the first is the default
  const char* FilterKey;   // "FilterHexFiles": the message key of the dialogs' filter title
  bool HasAddresses;       // a load offset applies
  // Reads the source's records into the sink.
  void (*Read)(const TImageSource& source, TImageSink& sink);
  // Writes image over span in pieces through put.
  void (*Emit)(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context);
  // One line that is a well-formed record of the format; null for formats without lines.
  bool (*IsRecord)(std::string_view line);
};

// Every format, in the order the dialogs list them.
std::span<const TImageFormatInfo> ImageFormats();
const TImageFormatInfo& ImageFormatInfo(TImageFormat format);
// The format of an id ("hex", "srec", "bin", any letter case).
std::optional<TImageFormat> ImageFormatById(std::string_view id);
// The ids joined by separator: "hex|srec|bin".
std::string ImageFormatIds(const char* separator);

// The format a file name's extension names (the last path component's, any letter case).
std::optional<TImageFormat> KnownImageFormatOf(const std::string& fileName);
// The format to write a file in: its extension's, else binary.
TImageFormat ImageFormatOf(const std::string& fileName);
// The format to read a file in: its extension's; for any other extension Intel HEX or
// S-records when every non-blank line is a record of one of them, else binary.
TImageFormat ImageFormatToRead(const std::string& fileName);
// The content rule alone, over text.
TImageFormat ImageFormatOfContent(std::string_view text);
// The content rule over another table of formats (formats of records in table order first).
TImageFormat ImageFormatOfContent(std::string_view text, std::span<const TImageFormatInfo> formats);

// The dialogs' filters, in the form "Title (*.a *.b)|*.a;*.b|...", their titles by text (a
// message key's text; the built-in English ones by default): Open lists every format and all
// files ("FilterAllFiles"); Save lists every format, and its filter index (from 1) names the
// format of a name without a known extension.
std::string OpenDialogFilter(const TError::TLookup& text = BuiltInMessageText);
std::string SaveDialogFilter(const TError::TLookup& text = BuiltInMessageText);
TImageFormat FormatOfSaveFilter(int index);
// The Save filter index of a format.
int SaveFilterIndexOf(TImageFormat format);
