// The quoted value form of language files, both directions.
#include <gtest/gtest.h>

#include "localization/value_encoding.h"

namespace {

struct TDecodeCase {
  const char* Stored;
  const char* Text;
};

TEST(DecodeValue, TurnsStoredFormsIntoTexts) {
  const TDecodeCase cases[] = {
      {"\"A\"#13#10\"B\"", "A\r\nB"},        // control characters between quoted parts
      {"plain text", "plain text"},          // unquoted text stays as it is
      {"\"\"", ""},                          // the empty text
      {"\"", "\""},                          // a lone quote is not unquoted
      {"\"  padded  \"", "  padded  "},      // outer blanks kept by quoting
      {"\"say \"\"hi\"\"\"", "say \"hi\""},  // doubled quotes become one
      {"\"open", "open"},                    // no closing quote: runs to the end
      {"\"a\" tail", "a"},                   // text after the closing quote is dropped
      {"\"#65\"", "A"},                      // a quote then "#" starts an escape run
      {"\"#65", "65"},                       // no quote closes the run: an empty run
      {"x\"#65#x#66\"y", "xABy"},            // a piece that is not an integer adds nothing
      {"x\"#65#  66\"y", "xABy"},            // blanks before a later piece are trimmed
      {"\"#321\"", "A"},                     // the low 8 bits of the code
      {"\"#\"", ""},                         // an empty run
      {"#13", "#13"},                        // "#" without a quote before it is plain text
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeValue(QString::fromUtf8(c.Stored)), QString::fromUtf8(c.Text)) << c.Stored;
}

TEST(EncodeValue, QuotesAndEscapesControlCharacters) {
  const TDecodeCase cases[] = {
      {"\"A\"#13#10\"B\"", "A\r\nB"},  {"\"\"", ""}, {"\"\"\"\"", "\""}, {"\"Plain\"", "Plain"},
      {"\"\"#9\"x\"#10\"\"", "\tx\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EncodeValue(QString::fromUtf8(c.Text)), QString::fromUtf8(c.Stored)) << c.Stored;
}

TEST(EncodeValue, RoundTripsUnlessTheTextStartsWithAnEscapeOrHasQuoteEscape) {
  const char* const roundTrips[] = {"",         " lead and trail ",    "a\"b", "\"",    "line1\r\nline2\r\n",
                                    "\x01\x1F", "Файл уже существует", "x#13", "a\"\"b"};
  for (const char* t : roundTrips) {
    const QString text = QString::fromUtf8(t);
    EXPECT_EQ(DecodeValue(EncodeValue(text)), text) << t;
  }
  // A leading "#" or a quote followed by "#" is read back as an escape run.
  for (const char* t : {"#13 x", "say \"#1"}) {
    const QString text = QString::fromUtf8(t);
    EXPECT_NE(DecodeValue(EncodeValue(text)), text) << t;
  }
}

}  // namespace
