#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orlindel::cli {
namespace {

TEST(ParseNumberTest, AcceptsDecimalHexAndNegative) {
  EXPECT_EQ(ParseNumber("720", 0, 0xFFFF, "x"), 720);
  EXPECT_EQ(ParseNumber("0x2D0", 0, 0xFFFF, "x"), 720);
  EXPECT_EQ(ParseNumber("0XfF", 0, 0xFF, "x"), 255);
  EXPECT_EQ(ParseNumber("-1", -1, 10, "x"), -1);
  EXPECT_EQ(ParseNumber("-0x10", -100, 0, "x"), -16);
}

TEST(ParseNumberTest, RejectsGarbageAndOutOfRange) {
  for (const char* text : {"", "-", "0x", "12a", "0x1G", "1.5", " 1", "+3",
                           "99999999999999999999999"})
    EXPECT_THROW(ParseNumber(text, INT64_MIN, INT64_MAX, "x"), UsageError)
        << text;
  EXPECT_THROW(ParseNumber("256", 0, 255, "x"), UsageError);
  EXPECT_THROW(ParseNumber("-1", 0, 255, "x"), UsageError);
}

TEST(ParseNumberTest, TheMessageNamesTheOptionAndTheText) {
  try {
    ParseNumber("0x100", 0, 255, "--blend");
    FAIL() << "no error";
  } catch (const UsageError& error) {
    EXPECT_STREQ(error.what(), "bad number for --blend: 0x100");
  }
}

}  // namespace
}  // namespace orlindel::cli
