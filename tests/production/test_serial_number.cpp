// Serial numbers: the option's text, the bytes of each format at the edges of their width, and
// where a field may lie.
#include <gtest/gtest.h>

#include "production/serial_number.h"

namespace {

TSerialSpec Layout(const std::string& text) {
  TSerialSpec s;
  std::string error;
  EXPECT_TRUE(ParseSerialSpec(text, s, error)) << text << ": " << error;
  return s;
}

}  // namespace

TEST(SerialSpec, ReadsEveryPartWithDefaults) {
  TSerialSpec s = Layout("0x1FFC:1000");
  EXPECT_EQ(s.Address, 0x1FFCu);
  EXPECT_EQ(s.Start, 1000u);
  EXPECT_EQ(s.Step, 1u);
  EXPECT_EQ(s.Width, 4u);
  EXPECT_EQ(s.Format, TSerialFormat::LittleEndian);
  s = Layout("16:0x10:5:6:ascii");
  EXPECT_EQ(s.Address, 16u);
  EXPECT_EQ(s.Start, 16u);
  EXPECT_EQ(s.Step, 5u);
  EXPECT_EQ(s.Width, 6u);
  EXPECT_EQ(s.Format, TSerialFormat::Ascii);
}

TEST(SerialSpec, RefusesWhatDoesNotRead) {
  struct Case {
    const char* text;
    const char* reason;
  } cases[] = {
      {"100", "ADDR:START"},
      {"1:2:3:4:le:x", "ADDR:START"},
      {"x:1", "ADDR 'x'"},
      {"1:-5", "START '-5'"},
      {"1:2:0", "STEP must be at least 1"},
      {"1:2:1:0", "WIDTH of le must be 1 to 8"},
      {"1:2:1:9:be", "WIDTH of be must be 1 to 8"},
      {"1:2:1:11:bcd", "WIDTH of bcd must be 1 to 10"},
      {"1:2:1:21:ascii", "WIDTH of ascii must be 1 to 20"},
      {"1:2:1:4:hex", "FORMAT must be le, be, ascii or bcd"},
      {"0x100000000:1", "too large"},
      {"1:99999999999999999999", "START"},
  };
  for (const auto& c : cases) {
    TSerialSpec s;
    std::string error;
    EXPECT_FALSE(ParseSerialSpec(c.text, s, error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
  }
}

TEST(SerialBytes, EachFormatAtTheEdgesOfItsWidth) {
  struct Case {
    const char* layout;
    uint64_t value;
    std::vector<uint8_t> bytes;  // empty: does not fit
  } cases[] = {
      {"0:0:1:4:le", 0x12345678, {0x78, 0x56, 0x34, 0x12}},
      {"0:0:1:3:be", 0x123456, {0x12, 0x34, 0x56}},
      {"0:0:1:1:le", 255, {0xFF}},
      {"0:0:1:1:le", 256, {}},
      {"0:0:1:2:be", 0x10000, {}},
      {"0:0:1:8:le", UINT64_MAX, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"0:0:1:6:ascii", 42, {'0', '0', '0', '0', '4', '2'}},
      {"0:0:1:3:ascii", 999, {'9', '9', '9'}},
      {"0:0:1:3:ascii", 1000, {}},
      {"0:0:1:20:ascii", UINT64_MAX, {'1', '8', '4', '4', '6', '7', '4', '4', '0', '7',
                                      '3', '7', '0', '9', '5', '5', '1', '6', '1', '5'}},
      {"0:0:1:3:bcd", 123456, {0x12, 0x34, 0x56}},
      {"0:0:1:2:bcd", 7, {0x00, 0x07}},
      {"0:0:1:1:bcd", 99, {0x99}},
      {"0:0:1:1:bcd", 100, {}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes;
    const bool fits = SerialBytes(Layout(c.layout), c.value, bytes);
    EXPECT_EQ(fits, !c.bytes.empty()) << c.layout << " " << c.value;
    if (fits) {
      EXPECT_EQ(bytes, c.bytes) << c.layout << " " << c.value;
    }
  }
}

TEST(SerialField, FitsOnlyWithinTheChipAndStampsOnlyWhenItFits) {
  EXPECT_TRUE(SerialFieldFits(Layout("8188:1"), 8192));
  EXPECT_FALSE(SerialFieldFits(Layout("8189:1"), 8192));
  EXPECT_FALSE(SerialFieldFits(Layout("0xFFFFFFFF:1"), 8192));
  EXPECT_FALSE(SerialFieldFits(Layout("0:1:1:1"), 0));

  std::vector<uint8_t> image(16, 0xFF);
  EXPECT_TRUE(StampSerial(Layout("12:0xA1B2C3D4:1:4:be"), 0xA1B2C3D4, image));
  EXPECT_EQ(image[11], 0xFF);
  EXPECT_EQ(image[12], 0xA1);
  EXPECT_EQ(image[15], 0xD4);
  const std::vector<uint8_t> before = image;
  EXPECT_FALSE(StampSerial(Layout("13:1"), 1, image));       // runs past the end
  EXPECT_FALSE(StampSerial(Layout("0:1:1:1"), 256, image));  // does not fit in the width
  EXPECT_EQ(image, before);
}
