// Report lengths from report descriptors.
#include <gtest/gtest.h>

#include <vector>

#include "hid/report_descriptor.h"

namespace {

struct TCase {
  const char* Name;
  std::vector<uint8_t> Descriptor;
  uint16_t Input, Output;
  bool Numbered;
};

// Vendor page, 64-byte input and output reports without report IDs: the programmer's layout.
const std::vector<uint8_t> kProgrammer = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // usage page, usage, collection
                                          0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                                          0x95, 0x40,              // 0..255, 8 bits, count 64
                                          0x09, 0x01, 0x81, 0x02,  // input
                                          0x09, 0x02, 0x91, 0x02,  // output
                                          0xC0};

}  // namespace

TEST(ReportDescriptor, LengthsCountTheReportIdByte) {
  const TCase cases[] = {
      {"programmer", kProgrammer, 65, 65, false},
      {"numbered: the longest report of each direction",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02,  // report 1: 8 bytes in
        0x85, 0x02, 0x95, 0x10, 0x81, 0x02,              // report 2: 16 bytes in
        0x75, 0x01, 0x95, 0x05, 0x91, 0x02,              // report 2: 5 bits out
        0x75, 0x03, 0x95, 0x01, 0x91, 0x01},             // + 3 bits padding out
       17,
       2,
       true},
      {"input only, bits rounded up", {0x75, 0x01, 0x95, 0x0C, 0x81, 0x02}, 3, 0, false},
      {"push and pop restore the sizes",
       {0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x20, 0x81, 0x02, 0xB4, 0x91, 0x02},
       33,
       5,
       false},
      {"feature reports do not count", {0x75, 0x08, 0x95, 0x40, 0xB1, 0x02}, 0, 0, false},
      {"long items are skipped", {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02}, 3, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TReportLayout layout;
    ASSERT_TRUE(ParseReportDescriptor(c.Descriptor.data(), c.Descriptor.size(), layout));
    EXPECT_EQ(layout.InputReportByteLength, c.Input);
    EXPECT_EQ(layout.OutputReportByteLength, c.Output);
    EXPECT_EQ(layout.NumberedReports, c.Numbered);
  }
}

TEST(ReportDescriptor, CutShortDescriptorsAreRefused) {
  for (size_t cut : {size_t(2), size_t(10), kProgrammer.size() - 12}) {
    std::vector<uint8_t> d(kProgrammer.begin(), kProgrammer.begin() + static_cast<long>(cut));
    // Only cuts inside an item are refused; the ones here all split an item's data.
    TReportLayout layout;
    EXPECT_FALSE(ParseReportDescriptor(d.data(), d.size(), layout)) << cut;
  }
  const uint8_t longItem[] = {0xFE, 0x10, 0x01, 0x02};
  TReportLayout layout;
  EXPECT_FALSE(ParseReportDescriptor(longItem, sizeof longItem, layout));
}
