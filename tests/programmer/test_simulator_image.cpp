// The simulated chip kept in a binary file: read at start, written back after chip writes; shared,
// operation by operation, by every program that simulates it.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/scripted_user_interface.h"
#include "programmer/chip_operations.h"
#include "simulator/simulated_programmer.h"
#include "simulator/simulation.h"
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

// A new image holds the whole chip from its first write on, the fresh chip's random bytes too:
// a later run never reads a byte that was never written as blank.
TEST(SimulatorImage, MissingFileKeepsTheFreshChipAndIsWrittenInFull) {
  TTempDir dir;
  TSimulatedProgrammer p;
  const std::vector<uint8_t> fresh = p.Chip;
  p.AttachImageFile(dir.File("chip.bin"));
  EXPECT_EQ(p.Chip, fresh);
  EXPECT_FALSE(std::filesystem::exists(dir.File("chip.bin"))) << "nothing written before a chip write";
  WriteByte(p, 99, 0x42);
  std::string file = dir.Read("chip.bin");
  ASSERT_EQ(file.size(), TSimulatedProgrammer::kChipImageSize);
  EXPECT_EQ(static_cast<uint8_t>(file[99]), 0x42);
  EXPECT_EQ(static_cast<uint8_t>(file[0]), fresh[0]);
  EXPECT_EQ(static_cast<uint8_t>(file.back()), fresh.back());
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
  EXPECT_THROW(p.AttachImageFile(dir.File("missing/chip.bin")), std::exception) << "can't be created";
}

namespace {

// One program simulating the programmer on an image: its own platform, controller and programmer.
struct TProgramOnImage {
  TProgramOnImage(const std::string& image, uint64_t seed, std::initializer_list<const char*> chip = {}) {
    TSimulationOptions o;
    o.ImageFile = image;
    o.Seed = seed;
    for (const char* property : chip) TakeChipProperty(property, o.Chip);
    TSimulation s = CreateSimulation(o);
    Device = s.Programmer;
    s.Platform->WaitOnEmptyRead = false;
    Controller = std::make_unique<THidDeviceController>(std::move(s.Platform), Loop);
    Controller->ReadTimeoutMs = 10;
    Controller->OnDeviceChange = [this](THidDeviceController&) { Programmer.DeviceChange(Ui); };
    Programmer.Attach(*Controller);
    Loop.RunPosted();
  }
  std::vector<uint8_t> Read(const TChip& chip) {
    std::vector<uint8_t> bytes(static_cast<size_t>(chip.Size), 0);
    Run = ReadChipTo(Programmer, chip, bytes, Ui);
    return bytes;
  }

  std::shared_ptr<TSimulatedProgrammer> Device;
  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  TScriptedUserInterface Ui;
  TChipRun Run = TChipRun::NoProgrammer;
  TProgrammer Programmer;  // last: gives the programmer back before the controller goes
};

TChip Chip24C02() {
  TChip c;
  c.ChipType = 1;
  c.Size = 256;
  c.PageSize = 16;
  c.Status = 1;
  return c;
}

std::vector<uint8_t> Pattern(uint8_t seed) {
  std::vector<uint8_t> v(256);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 7 + seed);
  return v;
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

// Two programs on one image are two programs on one chip: each operation reads the image at its
// start, so a write by one is what the other's next read gives, both ways.
TEST(SimulatorImage, TwoProgramsOnOneImageSeeEachOthersWrites) {
  TTempDir dir;
  const std::string image = dir.Write("chip.bin", std::string(256, 'x'));
  TProgramOnImage a(image, 1), b(image, 2);
  const TChip chip = Chip24C02();
  ASSERT_EQ(b.Read(chip), std::vector<uint8_t>(256, 'x'));
  ASSERT_EQ(WriteChipFrom(a.Programmer, chip, Pattern(1), a.Ui), TChipRun::Done);
  EXPECT_EQ(b.Read(chip), Pattern(1));
  ASSERT_EQ(WriteChipFrom(b.Programmer, chip, Pattern(2), b.Ui), TChipRun::Done);
  EXPECT_EQ(a.Read(chip), Pattern(2));
  EXPECT_EQ(dir.Read("chip.bin"), Text(Pattern(2)));
}

// A new image is created, whole and locked, by the first operation of the first program, before
// its first exchange: while that operation runs another program is turned away, and afterwards
// it reads the first program's chip, not blank bytes and not a chip of its own.
TEST(SimulatorImage, NewImageIsCreatedWholeAndLockedByTheFirstOperation) {
  TTempDir dir;
  const std::string image = dir.File("new.bin");
  TProgramOnImage a(image, 1), b(image, 2);
  ASSERT_TRUE(std::filesystem::exists(image)) << "the version query at start is an operation";
  EXPECT_EQ(std::filesystem::file_size(image), TSimulatedProgrammer::kChipImageSize);
  const std::vector<uint8_t> first(a.Device->Chip.begin(), a.Device->Chip.begin() + 256);
  {
    TProgrammerUse use(a.Programmer);
    ASSERT_TRUE(use);
    const uint64_t sent = b.Device->ExchangeCount();
    b.Read(Chip24C02());
    EXPECT_EQ(b.Run, TChipRun::NoAnswer);
    EXPECT_EQ(b.Programmer.LastStatus, TExchangeStatus::Busy);
    EXPECT_EQ(b.Device->ExchangeCount(), sent) << "nothing sent";
  }
  EXPECT_EQ(b.Read(Chip24C02()), first);
  EXPECT_EQ(b.Run, TChipRun::Done);
}

// Writes that no closing command followed (the programmer was unplugged mid-write) are in the
// image all the same once the operation has ended.
TEST(SimulatorImage, AnUnpluggedWriteLeavesWhatItWroteInTheImage) {
  TTempDir dir;
  const std::string image = dir.Write("chip.bin", std::string(256, 'x'));
  TProgramOnImage a(image, 1);
  a.Device->UnplugAt(a.Device->ExchangeCount() + 4);  // after the open and three pages of 16 bytes
  EXPECT_EQ(WriteChipFrom(a.Programmer, Chip24C02(), Pattern(3), a.Ui), TChipRun::NoAnswer);
  const std::string after = dir.Read("chip.bin");
  EXPECT_EQ(after.substr(0, 48), Text(Pattern(3)).substr(0, 48));
  EXPECT_EQ(after.substr(48), std::string(256 - 48, 'x'));
}

// What --sim-chip makes of the chip is a layer over the image: a write-protected chip leaves the
// image as it was, a smaller one wraps its writes into the image's first bytes and leaves the
// rest alone, and a program without the properties reads the image's bytes as they are.
TEST(SimulatorImage, ChipPropertiesAreALayerOverTheImage) {
  TTempDir dir;
  const std::string image = dir.Write("chip.bin", std::string(256, 'x'));
  const TChip chip = Chip24C02();
  {
    TProgramOnImage locked(image, 1, {"write-protected"});
    ASSERT_EQ(WriteChipFrom(locked.Programmer, chip, Pattern(1), locked.Ui), TChipRun::Done);
  }
  EXPECT_EQ(dir.Read("chip.bin"), std::string(256, 'x'));

  TProgramOnImage small(image, 2, {"size=128"});
  const std::vector<uint8_t> written = Pattern(2);
  ASSERT_EQ(WriteChipFrom(small.Programmer, chip, written, small.Ui), TChipRun::Done);
  const std::vector<uint8_t> upper(written.begin() + 128, written.end());
  std::vector<uint8_t> mirrored = upper;
  mirrored.insert(mirrored.end(), upper.begin(), upper.end());
  EXPECT_EQ(small.Read(chip), mirrored) << "the second half of the write lands over the first";
  TProgramOnImage plain(image, 3);
  std::vector<uint8_t> held = upper;
  held.insert(held.end(), 128, 'x');
  EXPECT_EQ(plain.Read(chip), held);
}
