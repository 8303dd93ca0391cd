#include "simulator/simulated_programmer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/error.h"
#include "firmware/firmware_constants.h"

namespace {

// Command codes and marks of the report protocol, as the device knows them.
constexpr uint8_t kChipAccess = 0x10;
constexpr uint8_t kWriteAccess = 0x11;
constexpr uint8_t kRead = 0x20;
constexpr uint8_t kWrite = 0x30;
constexpr uint8_t kVersion = 0xAA;
constexpr uint8_t kVersionSub = 0x33;
constexpr uint8_t kVersionMark = 0xA5;
constexpr uint8_t kFirmwareInfo = 0x21;
constexpr uint8_t kFirmwareBlock = 0x10;
constexpr size_t kData = 33;       // first byte of the data area
constexpr size_t kDataSize = 32;
constexpr size_t kSignature = 17;  // firmware signature bytes 17 to 20
constexpr size_t kLastFirmwareBlock = 16096;

bool Signed(const TSimulatedProgrammer::TRawReport& r) {
  return std::equal(FirmwareSignature.begin(), FirmwareSignature.end(), r.begin() + kSignature);
}

}  // namespace

TSimulatedProgrammer::TSimulatedProgrammer() : Chip(kChipImageSize, 0xFF), Firmware(kFirmwareSize, 0xFF) {}

TSimulatedProgrammer::~TSimulatedProgrammer() = default;

TSimulatedHidDeviceInfo TSimulatedProgrammer::DeviceInfo() {
  TSimulatedHidDeviceInfo info;
  info.VendorID = kVendorId;
  info.ProductID = kProductId;
  info.VersionNumber = 0x0100;
  info.InputReportByteLength = kReportSize;
  info.OutputReportByteLength = kReportSize;
  return info;
}

// --- faults ---

void TSimulatedProgrammer::NoAnswerAt(uint64_t exchange) { Faults_.push_back({TFaultKind::NoAnswer, exchange, 0}); }
void TSimulatedProgrammer::LateAnswerAt(uint64_t exchange) { Faults_.push_back({TFaultKind::LateAnswer, exchange, 0}); }
void TSimulatedProgrammer::UnplugAt(uint64_t exchange) { Faults_.push_back({TFaultKind::Unplug, exchange, 0}); }
void TSimulatedProgrammer::FlipByteAt(uint64_t exchange, size_t byteIndex) {
  Faults_.push_back({TFaultKind::FlipByte, exchange, byteIndex});
}
void TSimulatedProgrammer::ClearFaults() {
  Faults_.clear();
  NeverAnswer = WrongVersionMark = RefuseFirmwareInfo = false;
}

bool TSimulatedProgrammer::TakeFault(TFaultKind kind, uint64_t exchange, size_t* byteIndex) {
  for (size_t i = 0; i < Faults_.size(); ++i) {
    if (Faults_[i].Kind != kind || Faults_[i].Exchange != exchange) continue;
    if (byteIndex) *byteIndex = Faults_[i].ByteIndex;
    Faults_.erase(Faults_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  return false;
}

// --- exchanges ---

void TSimulatedProgrammer::OutputReport(const uint8_t* data, size_t length, TSimulatedHidPort& port) {
  const uint64_t n = Exchanges_;
  if (!Faults_.empty() && TakeFault(TFaultKind::Unplug, n)) {
    port.Unplug();
    return;
  }
  TRawReport reply;
  if (!Respond(data, length, reply)) return;
  if (!Faults_.empty() && TakeFault(TFaultKind::LateAnswer, n))
    port.QueueLateInput(reply.data(), reply.size());
  else
    port.QueueInput(reply.data(), reply.size());
}

bool TSimulatedProgrammer::Respond(const uint8_t* output, size_t length, TRawReport& input) {
  const uint64_t n = Exchanges_++;
  TRawReport command{};
  std::memcpy(command.data(), output, std::min(length, kReportSize));
  if (RecordReports) Sent.push_back(command);
  Answer(command, input);
  if (NeverAnswer || (!Faults_.empty() && TakeFault(TFaultKind::NoAnswer, n))) return false;
  size_t flip = 0;
  if (!Faults_.empty() && TakeFault(TFaultKind::FlipByte, n, &flip) && flip < kReportSize) input[flip] ^= 0xFF;
  return true;
}

// Every answer starts as the command itself; the device then puts in what the command asks for.
void TSimulatedProgrammer::Answer(const TRawReport& c, TRawReport& reply) {
  reply = c;
  const uint8_t code = c[1], sub = c[2];
  if (code == kFirmwareInfo && Signed(c)) {
    if (RefuseFirmwareInfo) {
      reply[1] = 0;
    } else {
      reply[1] = 1;
      std::copy(FirmwareId.begin(), FirmwareId.end(), reply.begin() + kData);
    }
  } else if (code == kFirmwareBlock && Signed(c)) {
    FirmwareBlock(c, reply);
  } else if (code == kVersion && sub == kVersionSub) {
    reply[1] = WrongVersionMark ? kVersionMark - 1 : kVersionMark;
    reply[4] = Major;
    reply[5] = Minor;
  } else if (code == kChipAccess) {
    if (sub == 1) {
      ChipOpen_ = true;
      WriteOpen_ = false;
      ChipWritten_ = false;
    } else if (sub == 2) {
      ChipOpen_ = WriteOpen_ = false;
      if (ChipWritten_) StoreImageFile();
      ChipWritten_ = false;
    }
  } else if (code == kWriteAccess) {
    if (sub == 1) WriteOpen_ = ChipOpen_;
    if (sub == 2) WriteOpen_ = false;
  } else if (code == kRead) {
    ChipRead(c, reply);
  } else if (code == kWrite) {
    ChipWrite(c);
  }
}

// Types 1 and 2: byte 5 bytes (at most 32) from the address in bytes 7, 8 (and 9 for type 2).
// Type 3: unit index in bytes 7 and 8; a word when the Org in byte 9 is above 0, read back with
// the odd-addressed byte in byte 33 and the even-addressed one in byte 34.
void TSimulatedProgrammer::ChipRead(const TRawReport& c, TRawReport& reply) {
  const uint8_t type = c[3];
  const size_t mask = kChipImageSize - 1;
  if (type == 3) {
    const size_t unit = c[7] | (c[8] << 8);
    if (static_cast<int8_t>(c[9]) > 0) {
      reply[kData] = Chip[(2 * unit + 1) & mask];
      reply[kData + 1] = Chip[(2 * unit) & mask];
    } else {
      reply[kData] = Chip[unit & mask];
    }
    return;
  }
  size_t address = c[7] | (c[8] << 8);
  if (type == 2) address |= size_t(c[9]) << 16;
  const size_t count = std::min<size_t>(c[5], kDataSize);
  for (size_t j = 0; j < count; ++j) reply[kData + j] = Chip[(address + j) & mask];
}

// Writes land only while the chip is open, and for types 2 and 3 while write access is open.
// Type 1 and 2: byte 5 bytes (at most 32) from byte 33 on; type 3: one byte, or a word whose
// even-addressed byte is byte 33. Other types change nothing.
void TSimulatedProgrammer::ChipWrite(const TRawReport& c) {
  const uint8_t type = c[3];
  const size_t mask = kChipImageSize - 1;
  if (!ChipOpen_ || type < 1 || type > 3 || (type != 1 && !WriteOpen_)) return;
  ChipWritten_ = true;
  if (type == 3) {
    const size_t unit = c[7] | (c[8] << 8);
    if (static_cast<int8_t>(c[9]) > 0) {
      Chip[(2 * unit) & mask] = c[kData];
      Chip[(2 * unit + 1) & mask] = c[kData + 1];
      Touched((2 * unit + 1) & mask);
    } else {
      Chip[unit & mask] = c[kData];
      Touched(unit & mask);
    }
    return;
  }
  size_t address = c[7] | (c[8] << 8);
  if (type == 2) address |= size_t(c[9]) << 16;
  const size_t count = std::min<size_t>(c[5], kDataSize);
  for (size_t j = 0; j < count; ++j) {
    Chip[(address + j) & mask] = c[kData + j];
    Touched((address + j) & mask);
  }
}

// The block bytes arrive XOR 3·j and go back XOR 5·j; the last block makes the new image current.
void TSimulatedProgrammer::FirmwareBlock(const TRawReport& c, TRawReport& reply) {
  const size_t address = c[5] | (c[6] << 8);
  for (size_t j = 0; j < kDataSize; ++j) {
    const uint8_t b = c[kData + j] ^ static_cast<uint8_t>(3 * j);
    if (address + j < kFirmwareSize) Firmware[address + j] = b;
    reply[kData + j] = b ^ static_cast<uint8_t>(5 * j);
  }
  if (address == kLastFirmwareBlock) std::copy(Firmware.begin(), Firmware.begin() + 4, FirmwareId.begin());
}

// --- image file ---

void TSimulatedProgrammer::Touched(size_t address) {
  if (address >= ImageExtent_) ImageExtent_ = address + 1;
}

void TSimulatedProgrammer::AttachImageFile(const std::string& path) {
  std::fill(Chip.begin(), Chip.end(), 0xFF);
  ImageExtent_ = 0;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw TError("Cannot read the simulated chip image " + path);
    f.read(reinterpret_cast<char*>(Chip.data()), static_cast<std::streamsize>(Chip.size()));
    if (f.bad()) throw TError("Cannot read the simulated chip image " + path);
    ImageExtent_ = static_cast<size_t>(f.gcount());
  }
  ImageFile_ = path;
}

void TSimulatedProgrammer::StoreImageFile() {
  if (ImageFile_.empty()) return;
  // Opened for update so that a longer file keeps its bytes past the image.
  std::fstream f(ImageFile_, std::ios::binary | std::ios::in | std::ios::out);
  if (!f) {
    f.clear();
    f.open(ImageFile_, std::ios::binary | std::ios::out);
  }
  f.write(reinterpret_cast<const char*>(Chip.data()), static_cast<std::streamsize>(ImageExtent_));
  f.close();
  if (!f) throw TError("Cannot write the simulated chip image " + ImageFile_);
}
