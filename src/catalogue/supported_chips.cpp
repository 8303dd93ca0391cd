#include "catalogue/supported_chips.h"

#include <vector>

#include "catalogue/catalogue.h"

namespace {
// A line of chip names is broken once the names on it (marks and separators not counted)
// add up to more than this.
const size_t kNamesPerLine = 40;
}  // namespace

std::string SupportedChipsReport(const std::string& catalogueFile, const std::string& header,
                                 const std::string& notSupported) {
  return SupportedChipsReport(TCatalogue({catalogueFile}), header, notSupported);
}

std::string SupportedChipsReport(const TCatalogue& catalogue, const std::string& header,
                                 const std::string& notSupported) {
  const std::string br = kReportLineBreak;
  std::string text = header + br + br;
  for (const auto& section : catalogue.Families()) {
    text += section + br;
    const std::vector<std::string> keys = catalogue.Keys(section);
    size_t lineLength = 0;
    for (size_t j = 0; j < keys.size(); ++j) {
      const std::string& key = keys[j];
      // Only the lower-case "type" is the family's type; "Type" is listed as a chip.
      if (key == "type") continue;
      // Status is judged by the value's first character: "1" is supported, anything else is not.
      const std::string value = catalogue.Read(section, key).value_or("");
      if (value.empty() || value[0] != '1') text += '*';
      text += key;
      // Every key but the section's last gets a separator, so a chip followed only by "type" keeps its ", ".
      if (j + 1 < keys.size()) {
        text += ", ";
        lineLength += key.size();
        if (lineLength > kNamesPerLine) {
          text += br;
          lineLength = 0;
        }
      }
    }
    text += br + br;
  }
  return text + "* - " + notSupported;
}
