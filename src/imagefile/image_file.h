// Loading and saving MemoryBuffer as Intel HEX text or raw binary image files.
// How much is read or written follows the chip's Size; the caller refreshes the view afterwards.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/chip.h"

// The English text of a record whose checksum does not add up (message key "WrongChecksum").
inline const char* const kWrongChecksumText = "Wrong CheckSum !";

// How an Intel HEX load ended: at the end of the file, a zero count or an end-of-file record,
// or at a record whose checksum is wrong (its bytes and everything before it stay stored).
enum class THexLoad { Complete, WrongChecksum };

// Pre-fills the chip's part of MemoryBuffer with 0xFF (the 16-bit count up to 64 KiB, the whole
// Size above it), then stores each data record at its address; extended segment and linear
// address records move later records. Throws TError when the file can't be opened ("File not
// found", ...; MemoryBuffer unchanged), a field isn't hexadecimal ("'$..' is not a valid integer
// value"), or a byte lies outside MemoryBuffer; what was stored before the failing line stays.
THexLoad LoadHexFile(const std::string& fileName, const TChip& chip);

// The same reader over text already in memory (no file error possible).
THexLoad LoadHexText(std::string_view text, const TChip& chip);

// Pre-fills the first Size bytes with 0xFF, then reads up to Size bytes of the file from
// offset 0. Throws TError "Cannot open file "%s". %s" when the file can't be opened.
void LoadBinFile(const std::string& fileName, const TChip& chip);

// Intel HEX text of the chip's part of MemoryBuffer: records of sixteen bytes, CR LF line
// ends, the end-of-file record last. Chips above 64 KiB get extended linear address records.
std::string HexText(const TChip& chip);

// Write the named file from MemoryBuffer. The file is written beside the target under a
// temporary name and renamed over it only when complete, so a failed save leaves an existing
// file as it was. Errors: SaveHexFile the platform's file errors ("File access denied",
// "Disk full", ...); SaveBinFile "Cannot create file "%s". %s" and "Stream write error".
void SaveHexFile(const std::string& fileName, const TChip& chip);
void SaveBinFile(const std::string& fileName, const TChip& chip);

// --- picking the format by name, for commands that take a file ---

enum class TImageFormat { Hex, Bin };

// ".hex" in any letter case is Intel HEX; every other name is a binary image.
TImageFormat ImageFormatOf(const std::string& fileName);
// "hex" or "bin" (any case); false for anything else.
bool ParseImageFormat(std::string_view text, TImageFormat& format);

THexLoad LoadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip);
void SaveImageFile(const std::string& fileName, TImageFormat format, const TChip& chip);
