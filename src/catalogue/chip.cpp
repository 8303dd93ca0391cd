#include "catalogue/chip.h"

#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "common/error.h"
#include "common/integer.h"

int32_t NextField(std::string& list) {
  size_t comma = list.find(',');
  if (comma == std::string::npos) return ReadIntegerOr(list, -1);
  int32_t v = ReadIntegerOr(list.substr(0, comma), -1);
  list.erase(0, comma + 1);
  return v;
}

bool LoadChip(const std::string& catalogueFile, const std::string& name, TChip& chip) {
  return LoadChip(TCatalogue({catalogueFile}), name, chip);
}

bool LoadChip(const TCatalogue& catalogue, const std::string& name, TChip& chip) {
  for (const auto& section : catalogue.Families()) {
    auto value = catalogue.Read(section, name);
    if (!value) continue;
    TChip c;
    c.Name = name;
    c.ChipType = catalogue.Type(section);
    c.Family = section;
    std::string list = *value;
    c.Status = NextField(list);
    c.Size = NextField(list);
    c.PageSize = NextField(list);
    c.Org = NextField(list);
    c.Jumper = NextField(list);
    if (c.Size > kMemoryBufferSize)
      throw TError(TMessageKey{"ChipTooLarge"}, {name, std::to_string(c.Size), std::to_string(kMemoryBufferSize)});
    chip = c;
    return true;
  }
  return false;
}
