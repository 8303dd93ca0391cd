#include "hid/report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct TGlobals {
  uint32_t ReportSize = 0;
  uint32_t ReportCount = 0;
  uint32_t ReportId = 0;
};

uint16_t ByteLength(const std::map<uint32_t, uint64_t>& bits) {
  uint64_t longest = 0;
  for (const auto& [id, b] : bits) longest = std::max(longest, b);
  if (longest == 0) return 0;
  return static_cast<uint16_t>(std::min<uint64_t>((longest + 7) / 8 + 1, 0xFFFF));
}

}  // namespace

bool ParseReportDescriptor(const uint8_t* data, size_t length, TReportLayout& layout) {
  TGlobals g;
  std::vector<TGlobals> stack;
  std::map<uint32_t, uint64_t> input, output;
  layout = {};
  size_t i = 0;
  while (i < length) {
    uint8_t prefix = data[i++];
    if (prefix == 0xFE) {  // long item: its size, its tag, its data; carries no report layout
      if (i + 2 > length) return false;
      size_t size = data[i];
      i += 2 + size;
      if (i > length) return false;
      continue;
    }
    static const size_t kSizes[4] = {0, 1, 2, 4};
    size_t size = kSizes[prefix & 3];
    if (i + size > length) return false;
    uint32_t value = 0;
    for (size_t k = 0; k < size; ++k) value |= uint32_t(data[i + k]) << (8 * k);
    i += size;
    uint8_t type = (prefix >> 2) & 3, tag = prefix >> 4;
    if (type == 1) {  // global
      switch (tag) {
        case 7: g.ReportSize = value; break;
        case 8:
          g.ReportId = value;
          layout.NumberedReports = true;
          break;
        case 9: g.ReportCount = value; break;
        case 10: stack.push_back(g); break;
        case 11:
          if (!stack.empty()) {
            g = stack.back();
            stack.pop_back();
          }
          break;
        default: break;
      }
    } else if (type == 0 && (tag == 8 || tag == 9)) {  // main: Input or Output
      auto& bits = tag == 8 ? input : output;
      // Capped so that no descriptor can overflow the sum.
      bits[g.ReportId] += std::min<uint64_t>(uint64_t(g.ReportSize) * g.ReportCount, uint64_t(1) << 32);
    }
  }
  layout.InputReportByteLength = ByteLength(input);
  layout.OutputReportByteLength = ByteLength(output);
  return true;
}
