#include <gtest/gtest.h>

#include "common/integer.h"

TEST(IntegerRule, ReadsAsTheTableSays) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
    // clang-format off
  } cases[] = {
      {"128", 128},         {"  128", 128},       {"\t128", 128},  {"$80", 128},
      {"0x80", 128},        {"0X80", 128},        {"x80", 128},    {"$ff", 255},
      {"-5", -5},           {"+7", 7},            {"-$10", -16},   {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1}, {"128 ", std::nullopt}, {"12a", std::nullopt},
      {"", std::nullopt},   {"   ", std::nullopt}, {"-", std::nullopt}, {"$", std::nullopt},
      {"0x", std::nullopt}, {"2147483648", std::nullopt}, {"$100000000", std::nullopt},
      {"+-1", std::nullopt}, {"1,2", std::nullopt},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(TryReadInteger(c.text), c.value) << "text: '" << c.text << "'";
}

TEST(IntegerRule, DefaultWhenUnreadable) {
  EXPECT_EQ(ReadIntegerOr("abc", -1), -1);
  EXPECT_EQ(ReadIntegerOr("0x10", -1), 16);
}

TEST(HexDisplay, PadsNeverCutsAndShowsNegativesAsTwosComplement) {
  EXPECT_EQ(IntToHex(128, 6), "000080");
  EXPECT_EQ(IntToHex(16, 3), "010");
  EXPECT_EQ(IntToHex(0x1F, 4), "001F");
  EXPECT_EQ(IntToHex(0x12345, 4), "12345");
  EXPECT_EQ(IntToHex(0xABCDEF, 2), "ABCDEF");
  EXPECT_EQ(IntToHex(-1, 6), "FFFFFFFF");
  EXPECT_EQ(IntToHex(0, 4), "0000");
}
