// How the programmer reaches the chips of each catalogue type: one descriptor per value of a
// family's "type" in see.ini. The chip routines, the catalogue check and the programmer picture
// ask the descriptor instead of comparing the type number.
#pragma once

#include <cstdint>
#include <span>

#include "catalogue/chip.h"

enum class TAccessScheme {
  Unknown,    // a type the programmer does not speak: a write only opens and closes the chip
  Address16,  // type 1: two-byte addresses (24C01 to 24C512)
  Address24,  // type 2: three-byte addresses, write access opened before the pages (24C1024 on)
  Microwire,  // type 3: one byte or, with Org 1, one 16-bit word per exchange (93Cxx)
};

// The bytes of one Block read: the programmer's data area.
inline constexpr int32_t kReadBlockBytes = 32;

// What one read or write exchange moves.
enum class TTransferUnit {
  None,   // nothing: the chip is only opened and closed
  Block,  // 32 bytes from a byte address (a chip under 32 bytes: its Size)
  Page,   // PageSize bytes from a byte address; pages above 32 bytes are not sent
  Unit,   // one byte, or one word when Org is 1, addressed by its number
};

// The write-access commands around a write.
enum class TWriteAccess {
  None,          // no write-access command
  Open,          // write access opened after the chip, before the pages
  OpenAndClose,  // opened before the units and closed after them (also on a stop or a failure)
};

// Where the programmer picture shows the chip in the socket.
enum class TSocketPlace { Left, Right };

struct TAccessSchemeInfo {
  int32_t Type;  // the family's "type" in see.ini; 0 for the descriptor of unknown types
  TAccessScheme Scheme;
  const char* Name;
  int AddressBytes;          // bytes 7, 8 (and 9 when 3) of a read or write carry the address
  bool OrgInCommands;        // byte 9 of the open, read and write commands carries Org
  TTransferUnit ReadUnit;    // Block or Unit
  TTransferUnit WriteUnit;   // Page, Unit or None
  TWriteAccess WriteAccess;  // the write-access commands around a write
  bool PageSizeMatters;      // PageSize must be a positive divisor of Size (the writes go by pages)
  bool OrgMatters;           // Org must be 0 (bytes) or 1 (words)
  TSocketPlace Place;
};

// The descriptors of the types the programmer speaks, in type order.
std::span<const TAccessSchemeInfo> AccessSchemes();
// The descriptor of a type; the one of Scheme Unknown for a type that has none.
const TAccessSchemeInfo& AccessSchemeOf(int32_t type);
inline const TAccessSchemeInfo& AccessSchemeOf(const TChip& chip) { return AccessSchemeOf(chip.ChipType); }
bool KnownChipType(int32_t type);
