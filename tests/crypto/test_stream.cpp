// File and memory streams: size, position, reading at the end, growing, opening errors.
#include <gtest/gtest.h>

#include "common/error.h"
#include "crypto/block_ciphers.h"
#include "crypto/stream.h"
#include "support/temp_dir.h"

namespace {

TEST(Streams, MemoryStreamReadsWritesAndGrows) {
  TMemoryStream m;
  m.Write("abc", 3);
  EXPECT_EQ(m.Size(), 3);
  m.Seek(5);
  m.Write("z", 1);
  EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 'z'}));
  m.Seek(4);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2u);
  EXPECT_EQ(m.Position(), 6);
  EXPECT_EQ(m.Read(buf, 8), 0u);
  m.Seek(9);
  EXPECT_EQ(m.Read(buf, 1), 0u);
  EXPECT_THROW(m.ReadBuffer(buf, 1), TError);
}

TEST(Streams, FileStreamRoundTripThroughCipher) {
  TTempDir dir;
  const std::string name = dir.File("image.bin");
  const TBlowfishCipher cipher("0123456789", 10);
  std::vector<uint8_t> plain(5000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i ^ (i >> 8));
  {
    TMemoryStream src(plain);
    TFileStream f(name, TFileStream::TMode::Create);
    cipher.EncryptStream(src, f);
    EXPECT_EQ(f.Size(), 5008);
    EXPECT_EQ(f.Position(), 5008);
  }
  TFileStream f(name, TFileStream::TMode::OpenRead);
  EXPECT_EQ(f.Size(), 5008);
  EXPECT_EQ(f.Position(), 0);
  TMemoryStream out;
  cipher.DecryptStream(f, out);
  EXPECT_EQ(out.Bytes(), plain);
  char c;
  EXPECT_EQ(f.Read(&c, 1), 0u);
  EXPECT_THROW(f.Write("x", 1), TError);  // opened read only
}

TEST(Streams, FileStreamOpenError) {
  TTempDir dir;
  const std::string name = dir.File("missing.TesmaroUpdatePart");
  try {
    TFileStream f(name, TFileStream::TMode::OpenRead);
    ADD_FAILURE() << "opened";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + name + "\".");
  }
}

}  // namespace
