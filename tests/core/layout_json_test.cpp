#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "core/layout/layout.h"

namespace orlindel {
namespace {

Layout SmallLayout() {
  Layout layout;
  layout.windows = {{2, 10, 20, 300, 200, 48, 0x80}};
  layout.subtitle = Mpeg4SubtitleParams{3, 40, 400, 680, 560, 1, 9, 0};
  layout.positions = {{1, 2, {{1, {0, 10, 4, 0, 0}}}}};
  return layout;
}

const char* const kSmallLayoutJson = R"({
  "format": "orlindel-layout",
  "version": 1,
  "windows": [
    {
      "id": 2,
      "left": 10,
      "top": 20,
      "right": 300,
      "bottom": 200,
      "palDY": 48,
      "blend": 128
    }
  ],
  "subtitle": {
    "windowId": 3,
    "x1": 40,
    "y1": 400,
    "x2": 680,
    "y2": 560,
    "align": 1,
    "flags": 9,
    "lineSpace": 0
  },
  "positions": [
    {
      "group": 1,
      "entryCount": 2,
      "entries": [
        {
          "entry": 1,
          "windowId": 0,
          "x": 10,
          "y": 4,
          "width": 0,
          "height": 0
        }
      ]
    }
  ]
}
)";

TEST(LayoutJsonTest, WritesOneVersionedDocument) {
  EXPECT_EQ(LayoutToJson(SmallLayout()), kSmallLayoutJson);
  EXPECT_EQ(LayoutToJson(Layout{}),
            "{\n"
            "  \"format\": \"orlindel-layout\",\n"
            "  \"version\": 1,\n"
            "  \"windows\": [],\n"
            "  \"subtitle\": null,\n"
            "  \"positions\": []\n"
            "}\n");
}

TEST(LayoutJsonTest, ReadsWhatItWrites) {
  EXPECT_EQ(LayoutFromJson(kSmallLayoutJson), SmallLayout());
  EXPECT_EQ(LayoutFromJson(LayoutToJson(Layout{})), Layout{});
  // Fields it does not know, such as the offsets `info` lists, are passed
  // over.
  EXPECT_EQ(LayoutFromJson(R"({"format": "orlindel-layout", "version": 1,
      "windows": [{"id": 2, "recordOffset": 70000, "left": 10, "top": 20,
                   "right": 300, "bottom": 200, "palDY": 48, "blend": 128}],
      "subtitle": null, "positions": []})")
                .windows,
            SmallLayout().windows);
}

// A document of the current version around `windows`, `subtitle` and
// `positions`.
std::string Document(const std::string& windows, const std::string& subtitle,
                     const std::string& positions) {
  return R"({"format": "orlindel-layout", "version": 1, "windows": )" +
         windows + R"(, "subtitle": )" + subtitle + R"(, "positions": )" +
         positions + "}";
}

std::string WithWindow(const std::string& fields) {
  return Document("[{" + fields + "}]", "null", "[]");
}

const std::string kWindowFields =
    R"("top": 0, "right": 10, "bottom": 10, "palDY": 0, "blend": 0)";

std::string ErrorOf(const std::string& json) {
  try {
    LayoutFromJson(json);
  } catch (const LayoutError& error) {
    return error.what();
  }
  return "read";
}

TEST(LayoutJsonTest, RefusesDocumentsItCannotTrust) {
  const std::string invalid = "The layout document is not valid: ";
  const struct {
    const char* name;
    std::string json;
    std::string error;
  } kCases[] = {
      {"text cut short", R"({"format": )",
       "The layout document is not valid JSON"},
      {"not JSON at all", "windows: 3",
       "The layout document is not valid JSON"},
      {"a number past every numeric type", R"({"format": 1e999})",
       "The layout document is not valid JSON: it holds a number too large "
       "to read"},
      {"a list", "[]", invalid + "the document must be an object"},
      {"another format", R"({"format": "ips-notes", "version": 1})",
       "Not an Orlindel layout: the document's \"format\" is not "
       "\"orlindel-layout\""},
      {"no format", R"({"version": 1})",
       "Not an Orlindel layout: the document's \"format\" is not "
       "\"orlindel-layout\""},
      {"a newer version", R"({"format": "orlindel-layout", "version": 2})",
       "The layout is of version 2, newer than this program reads (version "
       "1)"},
      {"version zero", R"({"format": "orlindel-layout", "version": 0})",
       invalid + "version must be a whole number from 1 on"},
      {"version as text", R"({"format": "orlindel-layout", "version": "1"})",
       invalid + "version must be a whole number from 1 on"},
      {"no windows",
       R"({"format": "orlindel-layout", "version": 1, "subtitle": null,
           "positions": []})",
       invalid + "windows is missing"},
      {"windows not a list", Document("{}", "null", "[]"),
       invalid + "windows must be a list"},
      {"a window not an object", Document("[3]", "null", "[]"),
       invalid + "windows[0] must be an object"},
      {"a window without left", WithWindow(R"("id": 0, )" + kWindowFields),
       invalid + "windows[0].left is missing"},
      {"left past 16 bits",
       WithWindow(R"("id": 0, "left": 65536, )" + kWindowFields),
       invalid + "windows[0].left must be a whole number from 0 to 65535"},
      {"left negative", WithWindow(R"("id": 0, "left": -1, )" + kWindowFields),
       invalid + "windows[0].left must be a whole number from 0 to 65535"},
      {"left a fraction",
       WithWindow(R"("id": 0, "left": 1.5, )" + kWindowFields),
       invalid + "windows[0].left must be a whole number from 0 to 65535"},
      {"left as true", WithWindow(R"("id": 0, "left": true, )" + kWindowFields),
       invalid + "windows[0].left must be a whole number from 0 to 65535"},
      {"id past a byte",
       WithWindow(R"("id": 256, "left": 0, )" + kWindowFields),
       invalid + "windows[0].id must be a whole number from 0 to 255"},
      {"a window listed twice",
       Document(R"([{"id": 1, "left": 0, )" + kWindowFields +
                    R"(}, {"id": 1, "left": 0, )" + kWindowFields + "}]",
                "null", "[]"),
       invalid + "windows[1]: window 1 is listed twice"},
      {"no subtitle",
       R"({"format": "orlindel-layout", "version": 1, "windows": [],
           "positions": []})",
       invalid + "subtitle is missing"},
      {"subtitle without line space",
       Document("[]",
                R"({"windowId": 3, "x1": 40, "y1": 400, "x2": 680,
                    "y2": 560, "align": 1, "flags": 9})",
                "[]"),
       invalid + "subtitle.lineSpace is missing"},
      {"an entry past the group's count",
       Document("[]", "null",
                R"([{"group": 0, "entryCount": 2, "entries": [{"entry": 2,
                    "windowId": 0, "x": 0, "y": 0, "width": 0,
                    "height": 0}]}])"),
       invalid + "positions[0].entries[0].entry must be a whole number from 0 "
                 "to 1"},
      {"an entry in an empty group",
       Document("[]", "null",
                R"([{"group": 0, "entryCount": 0, "entries": [{"entry": 0,
                    "windowId": 0, "x": 0, "y": 0, "width": 0,
                    "height": 0}]}])"),
       invalid + "positions[0].entries[0]: group 0 has no entries"},
      {"an entry listed twice",
       Document("[]", "null",
                R"([{"group": 0, "entryCount": 2, "entries": [
                    {"entry": 1, "windowId": 0, "x": 0, "y": 0, "width": 0,
                     "height": 0},
                    {"entry": 1, "windowId": 0, "x": 0, "y": 0, "width": 0,
                     "height": 0}]}])"),
       invalid + "positions[0].entries[1]: entry 1 is listed twice"},
      {"more entries than a group holds",
       Document("[]", "null",
                R"([{"group": 0, "entryCount": 128, "entries": []}])"),
       invalid + "positions[0].entryCount must be a whole number from 0 to "
                 "127"},
      {"a group past the last",
       Document("[]", "null",
                R"([{"group": 255, "entryCount": 1, "entries": []}])"),
       invalid + "positions[0].group must be a whole number from 0 to 254"},
      {"a group listed twice",
       Document("[]", "null",
                R"([{"group": 0, "entryCount": 1, "entries": []},
                    {"group": 0, "entryCount": 1, "entries": []}])"),
       invalid + "positions[1]: group 0 is listed twice"},
      {"entries missing",
       Document("[]", "null", R"([{"group": 0, "entryCount": 1}])"),
       invalid + "positions[0].entries is missing"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    const std::string error = ErrorOf(test.json);
    EXPECT_EQ(error.substr(0, test.error.size()), test.error) << error;
    EXPECT_EQ(error.size() == test.error.size(),
              test.error != "The layout document is not valid JSON")
        << error;
  }
}

}  // namespace
}  // namespace orlindel
