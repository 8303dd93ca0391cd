// Loading and saving MemoryBuffer as Intel HEX, Motorola S-record or raw binary image files.
// How much is read or written follows the chip's Size; the caller refreshes the view afterwards.
//
// A load reads the whole file into a scratch copy of MemoryBuffer and copies it back only when
// every record read: a file that fails anywhere leaves MemoryBuffer as it was. Load errors name
// the file, the line and what is wrong (TImageError, or TError for the platform's file errors).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "catalogue/chip.h"

// Intel HEX: pre-fills the chip's part with 0xFF (the 16-bit count up to 64 KiB, the whole Size
// above it), then stores each data record at its address less offset; extended segment and
// linear address records move later records. Stops at a zero count or an end-of-file record.
// Errors: the file can't be opened ("File not found", ...), a field isn't hexadecimal ("'$..' is
// not a valid integer value"), a wrong checksum, a byte below offset or outside MemoryBuffer.
void LoadHexFile(const std::string& fileName, const TChip& chip, uint32_t offset = 0);
// The same reader over text already in memory (no file error possible).
void LoadHexText(std::string_view text, const TChip& chip, uint32_t offset = 0);

// Motorola S-records: pre-fills the chip's part (Size bytes) with 0xFF, then stores the bytes of
// S1/S2/S3 records at their addresses less offset; S0 is skipped, S5/S6 counts are checked, S7/S8/S9
// end the file, every checksum is checked.
void LoadSRecFile(const std::string& fileName, const TChip& chip, uint32_t offset = 0);
void LoadSRecText(std::string_view text, const TChip& chip, uint32_t offset = 0);

// Pre-fills the first Size bytes with 0xFF, then reads up to Size bytes of the file from
// offset 0. Throws TError "Cannot open file "%s". %s" when the file can't be opened.
void LoadBinFile(const std::string& fileName, const TChip& chip);

// Intel HEX text of the chip's part of MemoryBuffer: records of sixteen bytes, CR LF line
// ends, the end-of-file record last. Chips above 64 KiB get extended linear address records.
std::string HexText(const TChip& chip);
// S-record text of the chip's Size bytes: an S0 header naming the chip, S1 records of 32 bytes
// (S2 above 64 KiB), the S5 record count and S9 (S8), CR LF line ends.
std::string SRecText(const TChip& chip);

// Write the named file from MemoryBuffer. The file is written beside the target under a
// temporary name and renamed over it only when complete, so a failed save leaves an existing
// file as it was. Errors: SaveHexFile and SaveSRecFile the platform's file errors ("File access
// denied", "Disk full", ...); SaveBinFile "Cannot create file "%s". %s" and "Stream write error".
void SaveHexFile(const std::string& fileName, const TChip& chip);
void SaveSRecFile(const std::string& fileName, const TChip& chip);
void SaveBinFile(const std::string& fileName, const TChip& chip);

// --- picking the format by name, for commands that take a file ---

enum class TImageFormat { Hex, Bin, SRec };

// The format a file name's extension names, in any letter case: .hex .ihx .ihex Intel HEX;
// .s19 .s28 .s37 .srec .mot .s S-records; .bin binary. Nothing for any other name.
std::optional<TImageFormat> KnownImageFormatOf(const std::string& fileName);
// The format of a file by its name: the known extensions above, every other name binary.
TImageFormat ImageFormatOf(const std::string& fileName);
// "hex", "srec" or "bin" (any case); false for anything else.
bool ParseImageFormat(std::string_view text, TImageFormat& format);

// Loads the named file in format into MemoryBuffer; offset is subtracted from every address of
// the formats that have addresses (binary images have none and always load from 0).
void LoadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip, uint32_t offset = 0);
// The same load into image (kMemoryBufferSize bytes) instead of MemoryBuffer; image is
// unchanged when the load fails.
void ReadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip, uint32_t offset,
                   std::span<uint8_t> image);
void SaveImageFile(const std::string& fileName, TImageFormat format, const TChip& chip);

// The lowest address of a data byte in an Intel HEX or S-record file, as far as its records
// read; nothing for a binary image, a file without data or one that can't be read.
std::optional<uint64_t> LowestImageAddress(const std::string& fileName, TImageFormat format);
