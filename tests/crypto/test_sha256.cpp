// SHA-256 against the published test vectors, and the same digest however the bytes are split.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/sha256.h"

namespace {

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

}  // namespace

TEST(Sha256, PublishedVectors) {
  struct Case {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 56 bytes: the length no longer fits in the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
       "nopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(Bytes(c.input)), c.digest) << c.input.size() << " bytes";
}

TEST(Sha256, PiecesOfAnySizeGiveTheSameDigest) {
  std::string data(300, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
  const std::string whole = Sha256Hex(Bytes(data));
  for (size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 200u}) {
    TSha256 h;
    for (size_t at = 0; at < data.size(); at += piece) h.Add(Bytes(data.substr(at, piece)));
    std::string hex;
    for (uint8_t b : h.Finish()) {
      static const char digits[] = "0123456789abcdef";
      hex += digits[b >> 4];
      hex += digits[b & 15];
    }
    EXPECT_EQ(hex, whole) << piece;
  }
}
