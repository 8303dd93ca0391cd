// The programmer's wire protocol as both sides know it: its USB identity, the 65-byte report
// (report ID byte 0 and 64 payload bytes), the byte offsets of a command, the command codes,
// sub-commands and marks, and the firmware commands' signature and blocks. The program's
// protocol (programmer), the firmware update (firmware) and the simulated device (simulator)
// all take them from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr uint16_t ProgrammerVendorId = 0x03E5;
inline constexpr uint16_t ProgrammerProductId = 0xD11D;

// --- the report ---
inline constexpr size_t ReportSize = 65;  // report ID byte 0 and 64 payload bytes
inline constexpr uint8_t ReportId = 0;    // the only report ID, carried in byte 0
inline constexpr size_t DataArea = 33;    // data area: bytes 33 to 64
inline constexpr size_t DataAreaSize = 32;

// Byte offsets of a command. Multi-byte values travel least significant byte first.
inline constexpr size_t ByteCommand = 1;
inline constexpr size_t ByteSubCommand = 2;
inline constexpr size_t ByteChipType = 3;  // low byte of ChipType
inline constexpr size_t ByteOrg = 4;       // low byte of Org
// Low byte of PageSize; the block length of a read of types 1 and 2; the low byte of a firmware
// block's address.
inline constexpr size_t BytePageSize = 5;
inline constexpr size_t ByteFirmwareAddressHigh = 6;  // high byte of a firmware block's address
inline constexpr size_t ByteAddress = 7;              // address bits 0-7; bits 8-15 follow in byte 8
// Address bits 16-23 for type 2, the low byte of Org for type 3, else 0.
inline constexpr size_t ByteThird = 9;
inline constexpr size_t ByteMark = 17;  // ChipCommandMark, or the start of FirmwareSignature

// Bytes 1, 4 and 5 of the version reply.
inline constexpr size_t ByteVersionMark = 1;
inline constexpr size_t ByteVersionMajor = 4;
inline constexpr size_t ByteVersionMinor = 5;

// --- chip commands and the version query ---
inline constexpr uint8_t CmdChipAccess = 0x10;   // sub-command SubOpen / SubClose
inline constexpr uint8_t CmdWriteAccess = 0x11;  // sub-command SubOpen / SubClose
inline constexpr uint8_t CmdRead = 0x20;         // sub-command 1
inline constexpr uint8_t CmdWrite = 0x30;        // sub-command 1
inline constexpr uint8_t CmdVersion = 0xAA;
inline constexpr uint8_t SubOpen = 1;
inline constexpr uint8_t SubClose = 2;
inline constexpr uint8_t CmdVersionSub = 0x33;
inline constexpr uint8_t VersionReplyMark = 0xA5;  // byte 1 of a version reply that counts
inline constexpr uint8_t ChipCommandMark = 0x77;   // byte 17 of every chip command

// --- firmware commands ---
// Both carry FirmwareSignature in bytes 17 to 20. Its first byte is not ChipCommandMark, so a
// firmware block (code 0x10) never looks like a chip-access command.
inline constexpr uint8_t CmdFirmwareInfo = 0x21;   // reply: byte 1 = 1 when accepted, bytes 33-36 the id
inline constexpr uint8_t CmdFirmwareBlock = 0x10;  // 32 bytes XOR 3·j out, XOR 5·j back
inline constexpr std::array<uint8_t, 4> FirmwareSignature = {0x4D, 0x56, 0xC3, 0x1A};
inline constexpr int kFirmwareBlocks = 504;
inline constexpr int kFirmwareBlockSize = 32;
// The address of the last block, whose arrival makes the new firmware current.
inline constexpr size_t kLastFirmwareBlockAddress = size_t{kFirmwareBlocks - 1} * kFirmwareBlockSize;
