// Fuzzes the INI reader and writer with the chip lookup on them. Input: the chip name to look
// up, a settings value, then the catalogue text (which also serves as a settings file).
#include <map>
#include <utility>

#include "buffer/memory_buffer.h"
#include "catalogue/chip.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInput in(data, size);
  const std::string name(in.Line());
  const std::string value(in.Line());
  const std::string_view text = in.Rest();
  const std::string file = fuzz::WriteScratchFile("see.ini", text.data(), text.size());

  // The lookup fills the record only when it succeeds, and never with a size past the buffer.
  TChip chip;
  chip.Family = "unchanged";
  chip.Size = 77;
  const TChip before = chip;
  bool found = false;
  try {
    found = LoadChip(file, name, chip);
  } catch (const TError&) {
    FUZZ_CHECK(chip == before);
  }
  if (found) {
    FUZZ_CHECK(chip.Name == name);
    FUZZ_CHECK(chip.Size <= static_cast<int32_t>(kMemoryBufferSize));
  } else {
    FUZZ_CHECK(chip == before);
  }

  // Every listed key reads back; remember them all to check the write below.
  TIniFile ini(file);
  std::map<std::pair<std::string, std::string>, std::string> keys;
  for (const std::string& section : ini.ReadSections()) {
    FUZZ_CHECK(ini.SectionExists(section));
    for (const std::string& key : ini.ReadSection(section)) {
      auto v = ini.Read(section, key);
      FUZZ_CHECK(v.has_value());
      keys.emplace(std::make_pair(section, key), *v);
      ini.ReadInteger(section, key, 0);
    }
  }
  std::string list = value;
  for (int i = 0; i < 6; ++i) NextField(list);

  // A settings write: the key reads back as written, every other key keeps its value.
  static const char* const kSettingsKeys[] = {"Chip", "LangID", "CurrentMemoryAddress"};
  const std::string key = kSettingsKeys[name.size() % 3];
  ini.WriteString("Main", key, value);
  TIniFile after(file);
  FUZZ_CHECK(after.Read("Main", key) == TrimBlanks(value));
  for (const auto& [where, v] : keys) {
    if (SameText(where.first, "Main") && SameText(where.second, key)) continue;
    FUZZ_CHECK(after.Read(where.first, where.second) == v);
  }
  return 0;
}
