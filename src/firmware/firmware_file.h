// The firmware image and the encrypted update files it is loaded from: Blowfish in electronic
// codebook mode under UpdateKey, framed by the cipher's stream padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/user_interface.h"
#include "firmware/firmware_constants.h"

inline constexpr size_t kFirmwareImageSize = 16385;
// The shortest update file; its length must also be a multiple of 8.
inline constexpr size_t kFirmwareFileMinSize = 16384;
inline constexpr const char* kFirmwareFileExtension = "TesmaroUpdatePart";
inline constexpr const char* kFirmwareFileFilter = "TesmaroUpdatePart|*.TesmaroUpdatePart";

// Four identification bytes b0 b1 b2 b3 as "B0.B1B2.B3" in upper-case hex: "01.0203.04".
std::string FirmwareIdText(const uint8_t* id);

// Reads an update file into image (kFirmwareImageSize bytes): its first 16384 bytes as they are,
// then the whole deciphered content over them from byte 0. Fails with a TError saying why when
// the file can't be read, is shorter than 16384 bytes, is not a multiple of 8 bytes, or deciphers
// to more than the image holds; image is then unchanged.
void ReadFirmwareFile(const std::string& fileName, uint8_t* image, std::span<const uint8_t> key = UpdateKey);

// Asks for the update file with dialog (set to the update file filter when it has none, and to the
// executable's folder when it has no initial folder) and fills image (kFirmwareImageSize bytes;
// bytes 0 to 3 are the update's identification) from it; the chosen file's folder becomes the
// dialog's initial folder. False when the user cancelled (nothing shown) or the file could not be
// loaded (the error box says why).
bool LoadFirmwareFile(TUserInterface& ui, TFileDialog& dialog, std::span<uint8_t> image);
// The same for a named file, without a dialog.
bool LoadFirmwareFileNamed(const std::string& fileName, std::span<uint8_t> image);

// The content of an update file for a firmware image, enciphered the way update files are made.
std::vector<uint8_t> EncipherFirmware(std::span<const uint8_t> image, std::span<const uint8_t> key = UpdateKey);
// The deciphered content of an update file's bytes; TError for a ciphertext that isn't whole blocks.
std::vector<uint8_t> DecipherFirmware(std::span<const uint8_t> file, std::span<const uint8_t> key = UpdateKey);
