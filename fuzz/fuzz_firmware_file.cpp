// Fuzzes the update file loader and the cipher's stream decryption. The input is the update
// file; the deciphering of arbitrary bytes must stay inside its buffers, refuse what does not
// fit the firmware image without touching the image, and undo the enciphering exactly.
#include <cstring>
#include <vector>

#include "common/error.h"
#include "crypto/block_ciphers.h"
#include "crypto/stream.h"
#include "firmware/firmware_file.h"
#include "fuzz_support.h"

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

  // The stream decryption straight on the bytes, from a position inside them.
  // The key schedule is the same for every input: set up once.
  static const TBlowfishCipher cipher(UpdateKey.data(), static_cast<int32_t>(UpdateKey.size()));
  TMemoryStream source(std::vector<uint8_t>(data, data + size)), dest;
  source.Seek(size ? data[0] % 16 : 0);
  try {
    cipher.DecryptStream(source, dest);
    FUZZ_CHECK(dest.Size() <= source.Size());
  } catch (const TError&) {
    FUZZ_CHECK(dest.Size() == 0);
  }

  // Enciphering then deciphering gives the bytes back.
  const std::vector<uint8_t> plain(data, data + size);
  FUZZ_CHECK(DecipherFirmware(EncipherFirmware(plain)) == plain);
  return 0;
}
