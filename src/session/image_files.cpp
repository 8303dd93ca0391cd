#include "session/image_files.h"

#include <algorithm>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "session/exit_codes.h"

namespace {

TImageExtent ReadAt(const TImageLoadRequest& r, TImageFormat format, uint32_t offset, std::span<uint8_t> image) {
  return r.Text ? ReadImageText(*r.Text, format, offset, image, r.File) : ReadImage(r.File, format, offset, image);
}

}  // namespace

TImageLoad LoadImageInto(const TImageLoadRequest& request, std::span<uint8_t> image, TUserInterface& ui) {
  const TError::TLookup text = [&ui](const std::string& key) { return ui.MessageText(key); };
  TImageLoad load;
  auto fail = [&](std::string why) {
    load.ExitCode = kExitFile;
    load.Error = std::move(why);
    return load;
  };
  try {
    load.Format = request.Format ? *request.Format
                  : request.Text ? ImageFormatOfContent(*request.Text)
                                 : ImageFormatToRead(request.File);
    load.Offset = request.Offset;
    load.Extent = ReadAt(request, load.Format, load.Offset, image);
    const TImageExtent& data = load.Extent;
    const uint64_t chipEnd = static_cast<uint64_t>(std::max(request.Chip.Size, 0));
    if (request.AskOffset && ImageFormatInfo(load.Format).HasAddresses && data.HasData() && data.First != 0 &&
        data.First <= UINT32_MAX && data.First >= chipEnd) {
      const std::string question =
          FormatText(ui.MessageText("ImgAskOffset"), {IntToHex(static_cast<int64_t>(data.First), 4)});
      if (ui.AskYesNo(question, TAnswer::Yes) == TAnswer::Yes) {
        load.Offset = static_cast<uint32_t>(data.First);
        load.Extent = ReadAt(request, load.Format, load.Offset, image);
      }
    }
  } catch (const std::exception& e) {
    return fail(ErrorText(e, text));
  }
  for (const TKeyedText& warning : load.Extent.Warnings) load.Warnings.push_back(TImageError(warning).Text(text));
  const TImageExtent& data = load.Extent;
  // Data past the buffer can't be kept whatever the chip.
  if (data.End > image.size() && request.PastChip == TPastChip::Keep)
    return fail(TImageError(*ImageFitProblem(request.File, data, {}, image.size())).Text(text));
  const TChip limit = request.OnlyBuffer ? TChip{} : request.Chip;
  const auto problem = ImageFitProblem(request.File, data, limit, image.size());
  if (!problem) {
    load.Loaded = true;
    return load;
  }
  const std::string why = TImageError(*problem).Text(text);
  switch (request.PastChip) {
    case TPastChip::Keep:
      load.Warnings.push_back(
          FormatText(ui.MessageText("ImgLargerThanChip"), {why, std::to_string(request.Chip.Size)}));
      load.Loaded = true;
      return load;
    case TPastChip::Cut:
      if (request.Chip.Size <= 0) break;
      load.Warnings.push_back(why + " " + FormatText(ui.MessageText("ImgCut"), {std::to_string(request.Chip.Size)}));
      load.Extent.End = std::min<uint64_t>(data.End, static_cast<uint64_t>(request.Chip.Size));
      load.Extent.First = std::min(load.Extent.First, load.Extent.End);
      load.Loaded = true;
      return load;
    case TPastChip::Refuse: break;
  }
  return fail(data.First >= 0x10000 ? why + " " + ui.MessageText("ImgOffsetMissing") : why);
}

TImageSave SaveImageFile(const std::string& file, TImageFormat format, std::span<const uint8_t> image,
                         const TImageSpan& span, TUserInterface& ui) {
  TImageSave save;
  try {
    WriteImage(file, format, image, span);
    save.Saved = true;
  } catch (const std::exception& e) {
    save.ExitCode = kExitFile;
    save.Error = ErrorText(e, [&ui](const std::string& key) { return ui.MessageText(key); });
  }
  return save;
}

TImageSpan DocumentSpan(TImageFormat format, const TChip& chip, const TDocumentOrigin& origin) {
  return origin.IsFile() ? SaveSpan(format, chip, origin.DataStart, origin.DataEnd, origin.Offset)
                         : ChipSpan(format, chip);
}

TDocumentOrigin SavedOrigin(const TDocumentOrigin& from, const std::string& file, TImageFormat format,
                            const TImageSpan& span, const TChip& chip) {
  uint32_t start = from.IsFile() ? from.DataStart : 0, end = from.IsFile() ? from.DataEnd : 0;
  const uint32_t chipEnd = static_cast<uint32_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
  if (chipEnd > 0) {
    start = end > start ? std::min(start, 0u) : 0;
    end = std::max(end, chipEnd);
  }
  TDocumentOrigin origin;
  origin.Kind = TOriginKind::File;
  origin.Name = FullFileName(file);
  origin.Format = ImageFormatInfo(format).Id;
  origin.Offset = ImageFormatInfo(format).HasAddresses ? span.Offset : 0;
  origin.DataStart = start;
  origin.DataEnd = end;
  return origin;
}
