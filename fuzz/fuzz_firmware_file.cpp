// Fuzzes the update file loader and the cipher's stream decryption. The input is the update
// file; the deciphering of arbitrary bytes must stay inside its buffers, refuse what does not
// fit the firmware image without touching the image, and undo the enciphering exactly.
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "common/error.h"
#include "crypto/block_ciphers.h"
#include "crypto/stream.h"
#include "firmware/firmware_file.h"
#include "fuzz_support.h"

namespace {
constexpr size_t kPiece = TBlockCipher::kStreamBlocks * 8 + 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = fuzz::WriteScratchFile("update.TesmaroUpdatePart", data, size);

  static uint8_t image[kFirmwareImageSize];
  std::memset(image, 0xA5, sizeof image);
  try {
    ReadFirmwareFile(file, image);
    // A loaded file fills the image from byte 0 with its own first 16384 bytes at least.
    FUZZ_CHECK(size >= kFirmwareFileMinSize);
  } catch (const TError&) {
    for (uint8_t b : image) FUZZ_CHECK(b == 0xA5);
  }

  // The cipher's own checks run on the first kPiece bytes: past one whole stream piece and a
  // remainder every block goes through the same code, so longer inputs add time (enciphering and
  // deciphering whole 16 KiB update files took 80 % of it), not coverage. The file load above
  // takes the whole input.
  const size_t piece = std::min(size, kPiece);

  // The stream decryption straight on the bytes, from a position inside them.
  // The key schedule is the same for every input: set up once.
  static const TBlowfishCipher cipher(UpdateKey.data(), static_cast<int32_t>(UpdateKey.size()));
  TMemoryStream source(std::vector<uint8_t>(data, data + piece)), dest;
  source.Seek(piece ? data[0] % 16 : 0);
  try {
    cipher.DecryptStream(source, dest);
    FUZZ_CHECK(dest.Size() <= source.Size());
  } catch (const TError&) {
    FUZZ_CHECK(dest.Size() == 0);
  }

  // Enciphering then deciphering gives the bytes back, under the update key and under a key of
  // 1 to 56 bytes taken from the input, whose schedule is made for this input; a key shorter
  // than the cipher takes is refused.
  const std::vector<uint8_t> plain(data, data + piece);
  FUZZ_CHECK(DecipherFirmware(EncipherFirmware(plain)) == plain);
  const std::span<const uint8_t> key(data, std::min<size_t>(size, 1 + (size ? data[0] % 56 : 0)));
  const std::vector<uint8_t> shortPlain(data, data + std::min<size_t>(size, 64));
  try {
    FUZZ_CHECK(DecipherFirmware(EncipherFirmware(shortPlain, key), key) == shortPlain);
    FUZZ_CHECK(key.size() >= static_cast<size_t>(TBlowfishCipher::kMinKeySize));
  } catch (const TError&) {
    FUZZ_CHECK(key.size() < static_cast<size_t>(TBlowfishCipher::kMinKeySize));
  }
  return 0;
}
