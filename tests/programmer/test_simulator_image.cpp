// The simulated chip kept in a binary file: read at start, written back after chip writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"

namespace {

using TRaw = TSimulatedProgrammer::TRawReport;

void Send(TSimulatedProgrammer& p, uint8_t code, uint8_t sub, size_t address = 0, uint8_t value = 0) {
  TRaw r{};
  r[1] = code;
  r[2] = sub;
  r[3] = 2;  // 24-bit addresses
  r[5] = 1;
  r[7] = address & 0xFF;
  r[8] = (address >> 8) & 0xFF;
  r[9] = (address >> 16) & 0xFF;
  r[17] = 0x77;
  r[33] = value;
  TRaw reply;
  p.Respond(r.data(), r.size(), reply);
}

// A type 2 chip write of one byte.
void WriteByte(TSimulatedProgrammer& p, size_t address, uint8_t value) {
  Send(p, 0x10, 1);
  Send(p, 0x11, 1);
  Send(p, 0x30, 1, address, value);
  Send(p, 0x10, 2);
}

}  // namespace

TEST(SimulatorImage, MissingFileKeepsTheFreshChipAndIsWrittenUpToTheLastByteWritten) {
  TTempDir dir;
  TSimulatedProgrammer p;
  const std::vector<uint8_t> fresh = p.Chip;
  p.AttachImageFile(dir.File("chip.bin"));
  EXPECT_EQ(p.Chip, fresh);
  EXPECT_FALSE(std::filesystem::exists(dir.File("chip.bin"))) << "nothing written before a chip write";
  WriteByte(p, 99, 0x42);
  std::string file = dir.Read("chip.bin");
  ASSERT_EQ(file.size(), 100u);
  EXPECT_EQ(static_cast<uint8_t>(file[99]), 0x42);
  EXPECT_EQ(static_cast<uint8_t>(file[0]), fresh[0]);
}

TEST(SimulatorImage, ShortFileIsPaddedWithBlankAndLongFileKeepsItsTail) {
  TTempDir dir;
  TSimulatedProgrammer p;
  p.AttachImageFile(dir.Write("short.bin", "AB"));
  EXPECT_EQ(p.Chip[1], 'B');
  EXPECT_EQ(p.Chip[2], 0xFF);
  WriteByte(p, 0, 'Z');
  EXPECT_EQ(dir.Read("short.bin"), "ZB") << "the file keeps its length";

  std::string big(TSimulatedProgrammer::kChipImageSize + 10, 'x');
  big.back() = 'E';
  TSimulatedProgrammer q;
  q.AttachImageFile(dir.Write("big.bin", big));
  WriteByte(q, 5, 'y');
  std::string after = dir.Read("big.bin");
  ASSERT_EQ(after.size(), big.size());
  EXPECT_EQ(after[5], 'y');
  EXPECT_EQ(after.back(), 'E') << "bytes past the chip are not lost";
}

TEST(SimulatorImage, UnreadableFileIsAnError) {
  TTempDir dir;
  std::filesystem::create_directory(dir.File("folder"));
  TSimulatedProgrammer p;
  EXPECT_THROW(p.AttachImageFile(dir.File("folder")), std::exception);
}
