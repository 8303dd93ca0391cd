// The chip record and its lookup in the chip catalogue "see.ini".
#pragma once

#include <cstdint>
#include <string>

class TCatalogue;

inline const char* const kCatalogueFileName = "see.ini";

struct TChip {
  std::string Family;
  int32_t ChipType = 0;
  std::string Name;
  int32_t Size = 0;
  int32_t PageSize = 0;
  int32_t Org = 0;
  int32_t Jumper = 0;
  int32_t Status = 0;

  bool operator==(const TChip&) const = default;
};

// Takes the next comma-separated field off the front of list; -1 when it does not read.
// A list without a comma is read whole and left unchanged.
int32_t NextField(std::string& list);

// Looks name up in the catalogue (first section holding the key, any letter case) and fills
// chip; returns false and leaves chip exactly as it was when no section has it.
// An entry whose Size is above the memory buffer is refused with a TError naming it;
// chip then stays as it was.
bool LoadChip(const std::string& catalogueFile, const std::string& name, TChip& chip);
// The same lookup in a merged catalogue (the shipped one and the user's own).
bool LoadChip(const TCatalogue& catalogue, const std::string& name, TChip& chip);
