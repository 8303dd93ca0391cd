// The simulated programmer: a device on the simulated HID platform that answers every output
// report with exactly one input report, the way the real programmer does, on a virtual chip
// image of 1 MiB. The chip starts with seeded random contents, takes page writes the way a real
// serial EEPROM does (rolling over inside its physical page) and wraps at its size; reply bytes
// that a command does not fill carry kUnusedByte. Tests and the --sim-* options record the
// reports it received, delay its answers and inject faults.
//
// Exchanges are counted from 0: exchange N is the N-th output report the device received
// (ExchangeCount() is the index of the next one). A fault set "at exchange N" hits that report.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "hid/simulated_platform.h"
#include "protocol/wire_protocol.h"
#include "simulator/chip_properties.h"
#include "simulator/image_file.h"

class TSimulatedProgrammer : public TSimulatedHidEndpoint {
 public:
  static constexpr size_t kChipImageSize = 1u << 20;   // the virtual chip
  static constexpr size_t kFirmwareSize = 16384;       // the firmware memory
  static constexpr uint8_t kUnusedByte = 0xEE;         // reply bytes no command fills
  using TRawReport = std::array<uint8_t, ReportSize>;  // byte 0 the report ID

  // The chip starts with random bytes from seed; the same seed gives the same bytes.
  explicit TSimulatedProgrammer(uint64_t seed = 1);
  ~TSimulatedProgrammer() override;

  // The HID identity to plug it in with: 03E5:D11D, 65-byte reports.
  static TSimulatedHidDeviceInfo DeviceInfo();

  // --- what the device is ---
  uint8_t Major = 1;  // firmware version of the version reply
  uint8_t Minor = 7;
  std::array<uint8_t, 4> FirmwareId = {0x01, 0x07, 0x20, 0x24};  // answer to the information request
  std::vector<uint8_t> Chip;                                     // kChipImageSize bytes; chip writes land here
  std::vector<uint8_t> Firmware;     // kFirmwareSize bytes: what the firmware block writes stored
  size_t ChipSize = kChipImageSize;  // addresses wrap at this size (1 to kChipImageSize)
  size_t PhysicalPageSize = 32;      // a page write rolls over inside such a page; 0: no pages
  int LatencyMs = 0;                 // every answer arrives this long after its report
  // Write protection, flaky reads (drawn from the seed), a stuck bit, swapped pairs. Their Size
  // and PageSize are taken into ChipSize and PhysicalPageSize by SetChipProperties.
  TSimulatedChipProperties Properties;
  void SetChipProperties(const TSimulatedChipProperties& properties);

  // Keeps the chip in a binary file, which is the chip itself for every program that simulates
  // it: reads it now (its bytes, 0xFF past the end of a short file; a missing file leaves the
  // chip as it is) and writes the chip back into it after every chip write (at the closing
  // chip-access command), never shortening the file. A missing file is written in full, the
  // chip's first random bytes too, so that no later run reads a byte that was never written.
  // Within an operation (BeginOperation) the image is opened and locked at its start, read
  // again, and written back before its end: programs on one image see each other's writes as
  // programs on one real programmer do, and one operation at a time. TError when the file
  // exists but cannot be read.
  void AttachImageFile(const std::string& path);

  // --- recording ---
  bool RecordReports = false;    // keep every output report received in Sent
  std::vector<TRawReport> Sent;  // the output reports, in order, while recording
  uint64_t ExchangeCount() const { return Exchanges_; }
  // Appends one line per output report received to the file: "<exchange> <code>/<sub> <name>",
  // then " fault=<kind>" when a fault hit it (code in hexadecimal, e.g. "12 10/2 chip-close").
  // TError when the file cannot be opened.
  void LogTo(const std::string& path);

  // --- faults ---
  bool NeverAnswer = false;            // receive every report, answer none
  bool WrongVersionMark = false;       // the version reply carries 0xA4 instead of 0xA5
  bool RefuseFirmwareInfo = false;     // the firmware information request is answered with byte 1 = 0
  void NoAnswerAt(uint64_t exchange);  // that report gets no answer
  // Its answer arrives only after the read waiting for it timed out, or delayMs after the report.
  void LateAnswerAt(uint64_t exchange, int delayMs = -1);
  void UnplugAt(uint64_t exchange);  // the device is unplugged when that report is sent; the report is lost
  void FlipByteAt(uint64_t exchange, size_t byteIndex = 33);  // that answer has byte byteIndex inverted
  void RefuseWriteAt(uint64_t exchange);                      // that report is not taken: the write times out
  // That answer is cut to kShortReplySize bytes (the report ID and 32 payload bytes).
  void ShortAnswerAt(uint64_t exchange);
  static constexpr size_t kShortReplySize = 1 + DataAreaSize;
  // A fault as the options give it, "KIND@N" with KIND noanswer, late, unplug, flip,
  // refuse-write or short and N the exchange; false when the text is not one.
  bool AddFault(const std::string& text);
  static bool ValidFault(const std::string& text);
  // The kinds, "noanswer, late, ...", for help and error texts.
  static std::string FaultKindNames();
  void ClearFaults();

  // The answer to one output report (byte 0 the report ID), counting and recording it and
  // applying the faults that need no port. False when the device sends no answer.
  bool Respond(const uint8_t* output, size_t length, TRawReport& input);

  void OutputReport(const uint8_t* data, size_t length, TSimulatedResponse& response) override;
  // With an image file: opens and locks it (creating it in full when it is missing) and reads it
  // (Busy while another program's operation holds it; Failed when it can't be used).
  THidLockResult BeginOperation() override;
  // Writes what is not written back yet and releases the image.
  void EndOperation() override;

 private:
  enum class TFaultKind { NoAnswer, LateAnswer, Unplug, FlipByte, RefuseWrite, ShortAnswer };
  struct TFault {
    TFaultKind Kind;
    uint64_t Exchange;
    size_t ByteIndex;  // FlipByte: the byte; LateAnswer: the delay in ms, or SIZE_MAX
  };
  static TRawReport Command(const uint8_t* output, size_t length);
  bool Exchange(const uint8_t* output, size_t length, TRawReport& input, const char* fault);
  void Log(const TRawReport& command, uint64_t exchange, const char* fault);
  size_t WrapSize() const;  // ChipSize within 1 to kChipImageSize
  size_t Wrap(size_t address) const;
  // The chip's bytes as the programmer reads and writes them, through Properties.
  uint8_t ReadChipByte(size_t address);
  void WriteChipByte(size_t address, uint8_t value);
  bool TakeFault(TFaultKind kind, uint64_t exchange, size_t* byteIndex = nullptr);
  void Answer(const TRawReport& command, TRawReport& reply);
  void ChipRead(const TRawReport& command, TRawReport& reply);
  void ChipWrite(const TRawReport& command);
  void FirmwareBlock(const TRawReport& command, TRawReport& reply);
  void StoreImageFile();
  void StoreInOperation();
  void Touched(size_t address);

  uint64_t Exchanges_ = 0;
  std::mt19937 Flaky_;  // the flaky reads' random bits
  std::vector<TFault> Faults_;
  bool ChipOpen_ = false;     // between chip-access open and close
  bool WriteOpen_ = false;    // between write-access open and close (or the chip-access close)
  bool ChipWritten_ = false;  // a write landed since the chip-access open
  std::string ImageFile_;
  size_t ImageExtent_ = 0;  // bytes the image file holds or will hold
  bool NewImage_ = false;   // the image file did not exist: it is written in full
  bool Unstored_ = false;   // the chip took writes that the image file does not hold yet
  TLockedImageFile Image_;  // open and locked during an operation
  std::shared_ptr<std::FILE> Log_;
};
