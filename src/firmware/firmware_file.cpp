#include "firmware/firmware_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/command_runner.h"
#include "common/error.h"
#include "common/integer.h"
#include "common/paths.h"
#include "crypto/block_ciphers.h"
#include "crypto/stream.h"

namespace {

TBlowfishCipher MakeCipher(std::span<const uint8_t> key) {
  return TBlowfishCipher(key.data(), static_cast<int32_t>(std::min<size_t>(key.size(), INT32_MAX)));
}

// The cipher of key. A key schedule costs 521 block encryptions, so the update key's, which
// nearly every call uses, is made once; another key's is made in own.
const TBlowfishCipher& CipherOf(std::span<const uint8_t> key, std::optional<TBlowfishCipher>& own) {
  if (std::equal(key.begin(), key.end(), UpdateKey.begin(), UpdateKey.end())) {
    static const TBlowfishCipher update = MakeCipher(UpdateKey);
    return update;
  }
  return own.emplace(MakeCipher(key));
}

}  // namespace

std::string FirmwareIdText(const uint8_t* id) {
  return IntToHex(id[0], 2) + "." + IntToHex(id[1], 2) + IntToHex(id[2], 2) + "." + IntToHex(id[3], 2);
}

void ReadFirmwareFile(const std::string& fileName, uint8_t* image, std::span<const uint8_t> key) {
  std::optional<TBlowfishCipher> own;
  const TBlowfishCipher& cipher = CipherOf(key, own);
  TFileStream file(fileName, TFileStream::TMode::OpenRead);
  if (file.Size() < static_cast<int64_t>(kFirmwareFileMinSize))
    throw TError(TMessageKey{"FwFileTooShort"}, {std::to_string(kFirmwareFileMinSize)});
  // Update files are whole cipher blocks; any other length is some other file.
  if (file.Size() % 8 != 0) throw TError(TMessageKey{"FwFileNotBlocks"}, {std::to_string(file.Size())});
  // Deciphering drops at most 255 bytes of padding, so a longer file can only be refused: it is
  // refused before a 2 GiB file is deciphered into memory.
  if (file.Size() > static_cast<int64_t>(kFirmwareImageSize) + 255)
    throw TError(TMessageKey{"FwFileTooLong"}, {std::to_string(kFirmwareImageSize)});
  uint8_t loaded[kFirmwareImageSize] = {};
  std::memcpy(loaded + kFirmwareFileMinSize, image + kFirmwareFileMinSize, kFirmwareImageSize - kFirmwareFileMinSize);
  file.Seek(0);
  file.ReadBuffer(loaded, kFirmwareFileMinSize);
  file.Seek(0);
  TMemoryStream content;
  cipher.DecryptStream(file, content);
  // A longer content would run past the image: such a file is refused rather than cut.
  if (content.Size() > static_cast<int64_t>(kFirmwareImageSize))
    throw TError(TMessageKey{"FwFileTooLong"}, {std::to_string(kFirmwareImageSize)});
  if (content.Size() > 0) std::memcpy(loaded, content.Memory(), static_cast<size_t>(content.Size()));
  std::memcpy(image, loaded, kFirmwareImageSize);
}

bool LoadFirmwareFileNamed(const std::string& fileName, std::span<uint8_t> image) {
  try {
    ReadFirmwareFile(fileName, image.data());
    return true;
  } catch (...) {
    return false;
  }
}

bool LoadFirmwareFile(TUserInterface& ui, TFileDialog& dialog, std::span<uint8_t> image) {
  if (dialog.InitialDir.empty()) {
    std::string folder = FolderPart(ExecutablePath());
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    dialog.InitialDir = folder;
  }
  // A filter of the caller's (its file type named in the user's language) is kept.
  if (dialog.Filter.empty()) dialog.Filter = kFirmwareFileFilter;
  dialog.DefaultExt = kFirmwareFileExtension;
  if (!ui.ExecuteOpenDialog(dialog)) return false;
  // The next update file is looked for where this one was.
  if (const std::string folder = FolderPart(dialog.FileName); !folder.empty()) dialog.InitialDir = folder;
  // A refused file says why: its size, or that it is no update file.
  return RunCommand(ui, [&dialog, image] { ReadFirmwareFile(dialog.FileName, image.data()); });
}

std::vector<uint8_t> EncipherFirmware(std::span<const uint8_t> image, std::span<const uint8_t> key) {
  std::optional<TBlowfishCipher> own;
  const TBlowfishCipher& cipher = CipherOf(key, own);
  TMemoryStream in(std::vector<uint8_t>(image.begin(), image.end())), out;
  cipher.EncryptStream(in, out);
  return out.Bytes();
}

std::vector<uint8_t> DecipherFirmware(std::span<const uint8_t> file, std::span<const uint8_t> key) {
  std::optional<TBlowfishCipher> own;
  const TBlowfishCipher& cipher = CipherOf(key, own);
  TMemoryStream in(std::vector<uint8_t>(file.begin(), file.end())), out;
  cipher.DecryptStream(in, out);
  return out.Bytes();
}
