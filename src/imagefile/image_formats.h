// The readers and writers of each image format, as the format table refers to them.
#pragma once

#include <span>
#include <string>

#include "imagefile/image_file.h"
#include "imagefile/image_reading.h"

void ReadHex(const TImageSource& source, TImageSink& sink);
void ReadSRec(const TImageSource& source, TImageSink& sink);
void ReadBin(const TImageSource& source, TImageSink& sink);

void EmitHex(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context);
void EmitSRec(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context);
void EmitBin(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context);

// After the last line of a text image: a file without data ("image.hex holds no data.") or one
// that ended before its end record ("... ends without an end record after line 257: ...").
void FinishTextImage(const TImageSource& source, const TImageSink& sink, bool ended, int64_t lines);
