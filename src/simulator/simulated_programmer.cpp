#include "simulator/simulated_programmer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "common/error.h"

namespace {

bool Signed(const TSimulatedProgrammer::TRawReport& r) {
  return std::equal(FirmwareSignature.begin(), FirmwareSignature.end(), r.begin() + ByteMark);
}

}  // namespace

TSimulatedProgrammer::TSimulatedProgrammer(uint64_t seed)
    : Chip(kChipImageSize),
      Firmware(kFirmwareSize, 0xFF),
      Flaky_(static_cast<uint32_t>(seed ^ (seed >> 32)) ^ 0x5EEDF1A4u) {
  // Seeds of 32 bits give the chips they always gave; larger ones use all their bits.
  std::seed_seq wide{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32)};
  std::mt19937 random = seed >> 32 ? std::mt19937(wide) : std::mt19937(static_cast<uint32_t>(seed));
  for (size_t i = 0; i < Chip.size(); i += 4) {
    const uint32_t v = random();
    for (size_t k = 0; k < 4 && i + k < Chip.size(); ++k) Chip[i + k] = static_cast<uint8_t>(v >> (8 * k));
  }
}

TSimulatedProgrammer::~TSimulatedProgrammer() = default;

TSimulatedHidDeviceInfo TSimulatedProgrammer::DeviceInfo() {
  TSimulatedHidDeviceInfo info;
  info.VendorID = ProgrammerVendorId;
  info.ProductID = ProgrammerProductId;
  info.VersionNumber = 0x0100;
  info.InputReportByteLength = ReportSize;
  info.OutputReportByteLength = ReportSize;
  return info;
}

// --- faults ---

void TSimulatedProgrammer::NoAnswerAt(uint64_t exchange) { Faults_.push_back({TFaultKind::NoAnswer, exchange, 0}); }
void TSimulatedProgrammer::LateAnswerAt(uint64_t exchange, int delayMs) {
  Faults_.push_back({TFaultKind::LateAnswer, exchange, delayMs < 0 ? SIZE_MAX : static_cast<size_t>(delayMs)});
}
void TSimulatedProgrammer::RefuseWriteAt(uint64_t exchange) {
  Faults_.push_back({TFaultKind::RefuseWrite, exchange, 0});
}

namespace {

// The fault kinds as --sim-fault names them; AddFault turns each into its call.
struct TFaultName {
  const char* Name;
  void (*Add)(TSimulatedProgrammer& p, uint64_t exchange);
};
const TFaultName kFaultNames[] = {
    {"noanswer", [](TSimulatedProgrammer& p, uint64_t n) { p.NoAnswerAt(n); }},
    {"late", [](TSimulatedProgrammer& p, uint64_t n) { p.LateAnswerAt(n); }},
    {"unplug", [](TSimulatedProgrammer& p, uint64_t n) { p.UnplugAt(n); }},
    {"flip", [](TSimulatedProgrammer& p, uint64_t n) { p.FlipByteAt(n); }},
    {"refuse-write", [](TSimulatedProgrammer& p, uint64_t n) { p.RefuseWriteAt(n); }},
    {"short", [](TSimulatedProgrammer& p, uint64_t n) { p.ShortAnswerAt(n); }},
};

const TFaultName* FaultNamed(const std::string& text) {
  const size_t at = text.find('@');
  if (at == std::string::npos || at + 1 >= text.size() || text.size() - at - 1 > 18) return nullptr;
  const std::string number = text.substr(at + 1);
  if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) return nullptr;
  for (const TFaultName& f : kFaultNames)
    if (text.compare(0, at, f.Name) == 0 && std::strlen(f.Name) == at) return &f;
  return nullptr;
}

}  // namespace

bool TSimulatedProgrammer::ValidFault(const std::string& text) { return FaultNamed(text) != nullptr; }

std::string TSimulatedProgrammer::FaultKindNames() {
  std::string names;
  for (const TFaultName& f : kFaultNames) names += (names.empty() ? "" : ", ") + std::string(f.Name);
  return names;
}

bool TSimulatedProgrammer::AddFault(const std::string& text) {
  const TFaultName* f = FaultNamed(text);
  if (!f) return false;
  f->Add(*this, std::stoull(text.substr(text.find('@') + 1)));
  return true;
}
void TSimulatedProgrammer::UnplugAt(uint64_t exchange) { Faults_.push_back({TFaultKind::Unplug, exchange, 0}); }
void TSimulatedProgrammer::FlipByteAt(uint64_t exchange, size_t byteIndex) {
  Faults_.push_back({TFaultKind::FlipByte, exchange, byteIndex});
}
void TSimulatedProgrammer::ShortAnswerAt(uint64_t exchange) {
  Faults_.push_back({TFaultKind::ShortAnswer, exchange, 0});
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

void TSimulatedProgrammer::OutputReport(const uint8_t* data, size_t length, TSimulatedResponse& response) {
  const uint64_t n = Exchanges_;
  if (!Faults_.empty() && TakeFault(TFaultKind::Unplug, n)) {
    if (Log_) Log(Command(data, length), n, "unplug");
    response.Unplug = true;
    return;
  }
  if (!Faults_.empty() && TakeFault(TFaultKind::RefuseWrite, n)) {
    ++Exchanges_;
    if (Log_) Log(Command(data, length), n, "refuse-write");
    response.Refuse = true;
    return;
  }
  size_t late = 0;
  const bool isLate = !Faults_.empty() && TakeFault(TFaultKind::LateAnswer, n, &late);
  const bool isShort = !Faults_.empty() && TakeFault(TFaultKind::ShortAnswer, n);
  TRawReport reply;
  if (!Exchange(data, length, reply, isLate ? "late" : isShort ? "short" : nullptr)) return;
  TSimulatedInput& in = response.Send(reply.data(), isShort ? kShortReplySize : reply.size());
  in.DelayMs = LatencyMs;
  if (isLate && late == SIZE_MAX) in.AfterTimeOut = true;
  if (isLate && late != SIZE_MAX) in.DelayMs = static_cast<int>(late);
}

bool TSimulatedProgrammer::Respond(const uint8_t* output, size_t length, TRawReport& input) {
  return Exchange(output, length, input, nullptr);
}

TSimulatedProgrammer::TRawReport TSimulatedProgrammer::Command(const uint8_t* output, size_t length) {
  TRawReport command{};
  std::memcpy(command.data(), output, std::min(length, ReportSize));
  return command;
}

bool TSimulatedProgrammer::Exchange(const uint8_t* output, size_t length, TRawReport& input, const char* fault) {
  const uint64_t n = Exchanges_++;
  const TRawReport command = Command(output, length);
  if (RecordReports) Sent.push_back(command);
  Answer(command, input);
  const bool silent = NeverAnswer || (!Faults_.empty() && TakeFault(TFaultKind::NoAnswer, n));
  size_t flip = 0;
  const bool flipped = !silent && !Faults_.empty() && TakeFault(TFaultKind::FlipByte, n, &flip) && flip < ReportSize;
  if (flipped) input[flip] ^= 0xFF;
  if (Log_) Log(command, n, silent ? "noanswer" : flipped ? "flip" : fault);
  return !silent;
}

// --- log ---

void TSimulatedProgrammer::LogTo(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (!f) throw TError("Cannot open the simulator's log " + path);
  Log_.reset(f, [](std::FILE* p) { std::fclose(p); });
}

void TSimulatedProgrammer::Log(const TRawReport& c, uint64_t exchange, const char* fault) {
  const uint8_t code = c[ByteCommand], sub = c[ByteSubCommand];
  const char* name = "other";
  if ((code == CmdFirmwareInfo || code == CmdFirmwareBlock) && Signed(c))
    name = code == CmdFirmwareInfo ? "firmware-info" : "firmware-block";
  else if (code == CmdChipAccess)
    name = sub == SubOpen ? "chip-open" : sub == SubClose ? "chip-close" : "chip-access";
  else if (code == CmdWriteAccess)
    name = sub == SubOpen ? "write-open" : sub == SubClose ? "write-close" : "write-access";
  else if (code == CmdRead)
    name = "read";
  else if (code == CmdWrite)
    name = "write";
  else if (code == CmdVersion)
    name = "version";
  std::fprintf(Log_.get(), "%llu %02X/%u %s%s%s\n", static_cast<unsigned long long>(exchange), code, sub, name,
               fault ? " fault=" : "", fault ? fault : "");
  std::fflush(Log_.get());
}

// Every answer starts as report ID 0 and unused bytes; the device then puts in what the command
// asks for.
void TSimulatedProgrammer::Answer(const TRawReport& c, TRawReport& reply) {
  reply.fill(kUnusedByte);
  reply[0] = ReportId;
  const uint8_t code = c[ByteCommand], sub = c[ByteSubCommand];
  if (code == CmdFirmwareInfo && Signed(c)) {
    if (RefuseFirmwareInfo) {
      reply[ByteCommand] = 0;
    } else {
      reply[ByteCommand] = 1;
      std::copy(FirmwareId.begin(), FirmwareId.end(), reply.begin() + DataArea);
    }
  } else if (code == CmdFirmwareBlock && Signed(c)) {
    FirmwareBlock(c, reply);
  } else if (code == CmdVersion && sub == CmdVersionSub) {
    reply[ByteVersionMark] = WrongVersionMark ? VersionReplyMark - 1 : VersionReplyMark;
    reply[ByteVersionMajor] = Major;
    reply[ByteVersionMinor] = Minor;
  } else if (code == CmdChipAccess) {
    if (sub == SubOpen) {
      ChipOpen_ = true;
      WriteOpen_ = false;
      ChipWritten_ = false;
    } else if (sub == SubClose) {
      ChipOpen_ = WriteOpen_ = false;
      if (ChipWritten_) Image_.IsOpen() ? StoreInOperation() : StoreImageFile();
      ChipWritten_ = false;
    }
  } else if (code == CmdWriteAccess) {
    if (sub == SubOpen) WriteOpen_ = ChipOpen_;
    if (sub == SubClose) WriteOpen_ = false;
  } else if (code == CmdRead) {
    ChipRead(c, reply);
  } else if (code == CmdWrite) {
    ChipWrite(c);
  }
}

size_t TSimulatedProgrammer::WrapSize() const { return std::clamp<size_t>(ChipSize, 1, kChipImageSize); }

size_t TSimulatedProgrammer::Wrap(size_t address) const { return address % WrapSize(); }

void TSimulatedProgrammer::SetChipProperties(const TSimulatedChipProperties& properties) {
  Properties = properties;
  if (properties.Size) ChipSize = *properties.Size;
  if (properties.PageSize) PhysicalPageSize = *properties.PageSize;
}

uint8_t TSimulatedProgrammer::ReadChipByte(size_t address) {
  const TSimulatedChipProperties& p = Properties;
  size_t a = Wrap(address);
  if (p.SwapPairs) a = Wrap(a ^ 1);
  uint8_t v = ReadThroughProperties(p, Chip[a]);
  if (p.Flaky > 0 && std::uniform_real_distribution<double>(0, 1)(Flaky_) < p.Flaky)
    v ^= static_cast<uint8_t>(1u << (Flaky_() % 8));
  return v;
}

void TSimulatedProgrammer::WriteChipByte(size_t address, uint8_t value) {
  if (Properties.WriteProtected) return;
  const size_t a = Wrap(address);
  Chip[a] = value;
  Touched(a);
}

// Types 1 and 2: byte 5 bytes (at most 32) from the address in bytes 7, 8 (and 9 for type 2),
// reading on across pages. Type 3: unit index in bytes 7 and 8; a word when the Org in byte 9 is
// above 0, read back with the odd-addressed byte in byte 33 and the even-addressed one in byte 34.
void TSimulatedProgrammer::ChipRead(const TRawReport& c, TRawReport& reply) {
  const uint8_t type = c[ByteChipType];
  if (type == 3) {
    const size_t unit = c[ByteAddress] | (c[ByteAddress + 1] << 8);
    if (static_cast<int8_t>(c[ByteThird]) > 0) {
      reply[DataArea] = ReadChipByte(2 * unit + 1);
      reply[DataArea + 1] = ReadChipByte(2 * unit);
    } else {
      reply[DataArea] = ReadChipByte(unit);
    }
    return;
  }
  size_t address = c[ByteAddress] | (c[ByteAddress + 1] << 8);
  if (type == 2) address |= size_t(c[ByteThird]) << 16;
  const size_t count = std::min<size_t>(c[BytePageSize], DataAreaSize);
  if (Properties.ChangesReads()) {
    for (size_t j = 0; j < count; ++j) reply[DataArea + j] = ReadChipByte(address + j);
    return;
  }
  // In runs up to the chip's end, then on from its start.
  const size_t size = WrapSize();
  size_t a = address % size;
  for (size_t done = 0; done < count; a = 0) {
    const size_t n = std::min(count - done, size - a);
    std::memcpy(reply.data() + DataArea + done, Chip.data() + a, n);
    done += n;
  }
}

// Writes land only while the chip is open, and for types 2 and 3 while write access is open.
// Type 1 and 2: byte 5 bytes (at most 32) from byte 33 on, rolling over to the start of the
// physical page at its end; type 3: one byte, or a word whose even-addressed byte is byte 33.
// Other types change nothing.
void TSimulatedProgrammer::ChipWrite(const TRawReport& c) {
  const uint8_t type = c[ByteChipType];
  if (!ChipOpen_ || type < 1 || type > 3 || (type != 1 && !WriteOpen_)) return;
  ChipWritten_ = Unstored_ = true;
  if (type == 3) {
    const size_t unit = c[ByteAddress] | (c[ByteAddress + 1] << 8);
    if (static_cast<int8_t>(c[ByteThird]) > 0) {
      WriteChipByte(2 * unit, c[DataArea]);
      WriteChipByte(2 * unit + 1, c[DataArea + 1]);
    } else {
      WriteChipByte(unit, c[DataArea]);
    }
    return;
  }
  size_t address = c[ByteAddress] | (c[ByteAddress + 1] << 8);
  if (type == 2) address |= size_t(c[ByteThird]) << 16;
  const size_t count = std::min<size_t>(c[BytePageSize], DataAreaSize);
  const size_t page = PhysicalPageSize;
  const size_t base = page ? address - address % page : 0;
  size_t offset = page ? address % page : address;  // within the page, or the address itself
  for (size_t j = 0; j < count; ++j) {
    WriteChipByte(base + offset, c[DataArea + j]);
    if (++offset == page) offset = 0;
  }
}

// The block bytes arrive XOR 3·j and go back XOR 5·j; the last block makes the new image current.
void TSimulatedProgrammer::FirmwareBlock(const TRawReport& c, TRawReport& reply) {
  const size_t address = c[BytePageSize] | (c[ByteFirmwareAddressHigh] << 8);
  for (size_t j = 0; j < DataAreaSize; ++j) {
    const uint8_t b = c[DataArea + j] ^ static_cast<uint8_t>(3 * j);
    if (address + j < kFirmwareSize) Firmware[address + j] = b;
    reply[DataArea + j] = b ^ static_cast<uint8_t>(5 * j);
  }
  if (address == kLastFirmwareBlockAddress) std::copy(Firmware.begin(), Firmware.begin() + 4, FirmwareId.begin());
}

// --- image file ---

void TSimulatedProgrammer::Touched(size_t address) {
  if (address >= ImageExtent_) ImageExtent_ = address + 1;
}

void TSimulatedProgrammer::AttachImageFile(const std::string& path) {
  ImageExtent_ = 0;
  std::error_code ec;
  NewImage_ = !std::filesystem::exists(path, ec);
  if (NewImage_) {
    // Created by the first operation: its folder must be there.
    const std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    if (ec || !std::filesystem::is_directory(folder, ec))
      throw TError("Cannot create the simulated chip image " + path);
  } else {
    std::fill(Chip.begin(), Chip.end(), 0xFF);
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
  if (NewImage_) ImageExtent_ = std::max(ImageExtent_, WrapSize());
  // Opened for update so that a longer file keeps its bytes past the image.
  std::fstream f(ImageFile_, std::ios::binary | std::ios::in | std::ios::out);
  if (!f) {
    f.clear();
    f.open(ImageFile_, std::ios::binary | std::ios::out);
  }
  f.write(reinterpret_cast<const char*>(Chip.data()), static_cast<std::streamsize>(ImageExtent_));
  f.close();
  if (!f) throw TError("Cannot write the simulated chip image " + ImageFile_);
  NewImage_ = Unstored_ = false;
}

void TSimulatedProgrammer::StoreInOperation() {
  if (!Image_.Write(std::span(Chip).first(ImageExtent_)))
    throw TError("Cannot write the simulated chip image " + ImageFile_);
  Unstored_ = false;
}

THidLockResult TSimulatedProgrammer::BeginOperation() {
  if (ImageFile_.empty()) return THidLockResult::Locked;
  bool created = false;
  const THidLockResult r = Image_.Open(ImageFile_, std::span(Chip).first(WrapSize()), created);
  if (r != THidLockResult::Locked) return r;
  if (created) {
    ImageExtent_ = WrapSize();
  } else {
    const size_t held = Image_.ReadInto(Chip);
    if (held == SIZE_MAX) {
      Image_.Close();
      return THidLockResult::Failed;
    }
    ImageExtent_ = held;
  }
  NewImage_ = Unstored_ = false;
  return THidLockResult::Locked;
}

void TSimulatedProgrammer::EndOperation() {
  // Writes that no chip-access close followed (a stop, an unplug) are in the chip all the same.
  if (Unstored_ && Image_.IsOpen()) Image_.Write(std::span(Chip).first(ImageExtent_));
  Unstored_ = false;
  Image_.Close();
}
