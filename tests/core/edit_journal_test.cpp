// The journal of unsaved edits: written and read back exactly, anything
// malformed refused, and only offered for the content it was made on.
#include "core/history/edit_journal.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/history/byte_edit.h"
#include "core/patch/crc32.h"
#include "core/text.h"

namespace orlindel {
namespace {

// A firmware of eight bytes 00 11 22 .. 77; CRC-32 worked out beforehand.
const FirmwareImage kFile{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
constexpr uint32_t kFileCrc = 0x8BA925F7;

// Two entries: byte 2 becomes AA, then bytes 2..3 become BB CC (its old bytes
// are what the first entry left).
EditJournal TwoEntries() {
  return {"/fw/\xC3\xA9t\xC3\xA9.bin",
          8,
          kFileCrc,
          {{"Window 0x03", {{2, {0x22}, {0xAA}}}},
           {"Revert 0x000002", {{2, {0xAA, 0x33}, {0xBB, 0xCC}}}}}};
}

TEST(EditJournalTest, TheCrcOfTheTestFileIsAsWorkedOut) {
  EXPECT_EQ(Crc32(kFile), kFileCrc);
}

TEST(EditJournalTest, EncodedJournalReadsBackExactly) {
  const EditJournal journal = TwoEntries();
  const std::string text = EncodeJournal(journal);
  EXPECT_NE(text.find("{\"new\":\"bbcc\",\"offset\":2,\"old\":\"aa33\"}"),
            std::string::npos)
      << text;
  const std::optional<EditJournal> back = DecodeJournal(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, journal);

  const EditJournal empty{"fw.bin", 0, 0, {}};
  EXPECT_EQ(DecodeJournal(EncodeJournal(empty)), empty);
}

// The text is written directly, not through a JSON document: it must be
// exactly what the document of the same journal prints, also for names with
// quotes, control characters and bytes that are not UTF-8, and read back.
TEST(EditJournalTest, TextIsWhatAJsonDocumentOfTheJournalPrints) {
  using Json = nlohmann::json;
  EditJournal journal = TwoEntries();
  journal.firmware_path = "/fw/\"a\\b\"\n\x01\xFF.bin";
  journal.entries.push_back({"Apply patch \xC3", {}});
  journal.entries[0].edits.push_back({7, {0x77, 0x00}, {0x0F, 0xF0}});
  Json entries = Json::array();
  for (const JournalEntry& entry : journal.entries) {
    Json edits = Json::array();
    for (const ByteEdit& edit : entry.edits) {
      const auto hex = [](const std::vector<uint8_t>& bytes) {
        std::string text;
        for (const uint8_t byte : bytes) text += Format("%02x", unsigned{byte});
        return text;
      };
      edits.push_back({{"offset", edit.offset},
                       {"old", hex(edit.old_bytes)},
                       {"new", hex(edit.new_bytes)}});
    }
    entries.push_back({{"text", entry.text}, {"edits", edits}});
  }
  const Json document = {
      {"format", "orlindel-journal"},  {"version", 1},
      {"path", journal.firmware_path}, {"size", journal.file_size},
      {"crc32", journal.file_crc32},   {"entries", entries}};
  const std::string text = EncodeJournal(journal);
  EXPECT_EQ(
      text,
      document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n");
  // The names come back with their bytes that are not UTF-8 replaced.
  const std::optional<EditJournal> back = DecodeJournal(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->entries[0].edits, journal.entries[0].edits);
  EXPECT_EQ(back->entries.size(), 3u);
}

TEST(EditJournalTest, MalformedJournalsAreRefused) {
  const std::string good = EncodeJournal(TwoEntries());
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct {
    const char* name;
    std::string text;
  } rows[] = {
      {"empty", ""},
      {"not JSON", "journal"},
      {"cut short", good.substr(0, good.size() / 2)},
      {"an array", "[]"},
      {"other format", with("orlindel-journal", "layout")},
      {"other version", with("\"version\":1", "\"version\":2")},
      {"negative size", with("\"size\":8", "\"size\":-8")},
      {"size as text", with("\"size\":8", "\"size\":\"8\"")},
      {"crc over 32 bits",
       with("\"crc32\":2343118327", "\"crc32\":4294967296")},
      {"negative offset",
       with("\"offset\":2,\"old\":\"22\"", "\"offset\":-2,\"old\":\"22\"")},
      {"odd hex", with("\"old\":\"22\"", "\"old\":\"2\"")},
      {"not hex", with("\"old\":\"22\"", "\"old\":\"2g\"")},
      {"upper-case hex", with("\"new\":\"aa\"", "\"new\":\"AA\"")},
      {"unequal lengths", with("\"new\":\"aa\"", "\"new\":\"aabb\"")},
      {"missing edits", with("\"edits\"", "\"edit\"")},
      {"text not a string", with("\"Window 0x03\"", "3")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(DecodeJournal(row.text).has_value());
  }
}

TEST(EditJournalTest, OnlyTheContentItWasMadeOnFits) {
  const EditJournal journal = TwoEntries();
  EXPECT_TRUE(JournalFits(journal, kFile));

  FirmwareImage other_byte = kFile;
  other_byte[7] = 0x78;
  FirmwareImage longer = kFile;
  longer.push_back(0);
  EXPECT_FALSE(JournalFits(journal, other_byte));
  EXPECT_FALSE(JournalFits(journal, longer));
  EXPECT_FALSE(JournalFits(journal, {}));

  // The right file, but an edit whose old bytes are not there, or that
  // reaches past the end.
  EditJournal wrong_old = journal;
  wrong_old.entries[1].edits[0].old_bytes = {0x22, 0x33};
  EXPECT_FALSE(JournalFits(wrong_old, kFile));
  EditJournal past_end = journal;
  past_end.entries[0].edits[0].offset = 7;
  past_end.entries[0].edits[0].old_bytes = {0x77, 0x00};
  past_end.entries[0].edits[0].new_bytes = {0x01, 0x02};
  EXPECT_FALSE(JournalFits(past_end, kFile));
}

TEST(EditJournalTest, InvertedEditsUndoInReverseOrder) {
  const EditList edits{{2, {0x22}, {0xAA}}, {2, {0xAA, 0x33}, {0xBB, 0xCC}}};
  const EditList expected{{2, {0xBB, 0xCC}, {0xAA, 0x33}}, {2, {0xAA}, {0x22}}};
  EXPECT_EQ(InvertEdits(edits), expected);
  EXPECT_TRUE(InvertEdits({}).empty());
}

}  // namespace
}  // namespace orlindel
