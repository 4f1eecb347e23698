#include "cli/json_output.h"

#include <gtest/gtest.h>

#include <string>

namespace orlindel::cli {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

std::string Replaced(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += kReplacement;
  return text;
}

TEST(Utf8Test, IllFormedPartsBecomeOneReplacementEach) {
  const struct {
    const char* name;
    std::string text;
    std::string expected;  // equal to `text` when it is well-formed
  } cases[] = {
      {"ASCII", "abc", "abc"},
      {"two-byte character", "\xC3\xA9", "\xC3\xA9"},
      {"three-byte character", "\xE2\x82\xAC", "\xE2\x82\xAC"},
      {"four-byte character", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"highest character", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"lone byte FF", "\xFF", Replaced(1)},
      {"lone continuation byte", "\x80", Replaced(1)},
      {"two-byte lead at the end", "a\xC3", "a" + Replaced(1)},
      {"three-byte sequence cut short",
       "a\xE2\x82"
       "b",
       "a" + Replaced(1) + "b"},
      {"four-byte sequence cut short", "\xF0\x9F\x98", Replaced(1)},
      // C0 and C1 only ever start overlong forms.
      {"overlong slash", "\xC0\xAF", Replaced(2)},
      {"overlong three-byte form", "\xE0\x80\x80", Replaced(3)},
      {"surrogate", "\xED\xA0\x80", Replaced(3)},
      {"above U+10FFFF", "\xF4\x90\x80\x80", Replaced(4)},
      {"path bytes of another code page", "caf\xE9.bin",
       "caf" + Replaced(1) + ".bin"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToValidUtf8(c.text), c.expected) << c.name;
    EXPECT_EQ(IsValidUtf8(c.text), c.text == c.expected) << c.name;
  }
}

TEST(SetTextTest, RawBytesGoBesideTextThatIsNotUtf8) {
  Json object = Json::object();
  SetText(object, "message", "caf\xC3\xA9");
  EXPECT_EQ(object.dump(), "{\"message\":\"caf\xC3\xA9\"}");

  object = Json::object();
  SetText(object, "message", "a\xFF\x80.bin");
  EXPECT_EQ(object.dump(), "{\"message\":\"a" + Replaced(2) +
                               ".bin\",\"messageBytes\":\"61FF802E62696E\"}");
}

TEST(AppendJsonStringTest, QuotesAndEscapesLikeTheWholeObject) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"window 3 record: Left", "\"window 3 record: Left\""},
      {"", "\"\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"\tx\n", "\"\\tx\\n\""},
      {"\x01", "\"\\u0001\""},
      {"\xFF", "\"" + Replaced(1) + "\""},
  };
  for (const auto& c : cases) {
    std::string out = "[";
    AppendJsonString(out, c.text);
    EXPECT_EQ(out, "[" + c.expected) << c.text;
  }
}

TEST(WriteJsonLineTest, OneCompactObjectPerLineInInsertionOrder) {
  std::ostringstream out;
  WriteJsonLine(out, Json{{"zeta", 1}, {"alpha", nullptr}, {"list", {1, -2}}});
  EXPECT_EQ(out.str(), "{\"zeta\":1,\"alpha\":null,\"list\":[1,-2]}\n");
}

}  // namespace
}  // namespace orlindel::cli
