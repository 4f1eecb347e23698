// The journal of unsaved edits: written and read back exactly, journals of
// the first format still read, anything malformed refused, and only offered
// for the content it was made on.
#include "core/history/edit_journal.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <span>
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

// The journal as the first format wrote it: a JSON document, each edit with
// its old and new bytes in lower-case hex.
std::string JsonJournal(const EditJournal& journal) {
  using Json = nlohmann::json;
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
  return document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// A journal's check sum made right again after its body was changed.
std::vector<uint8_t> Resealed(std::vector<uint8_t> journal) {
  journal.resize(journal.size() - 4);
  const uint32_t sum = Crc32(journal);
  for (int k = 0; k < 4; ++k)
    journal.push_back(static_cast<uint8_t>(sum >> (8 * k)));
  return journal;
}

// Written without the old bytes, which the file and the edits before give
// back: each edit takes its length and 16 bytes, whatever its bytes are.
TEST(EditJournalTest, EncodedJournalReadsBackExactly) {
  const EditJournal journal = TwoEntries();
  const std::vector<uint8_t> bytes = EncodeJournal(journal);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 16), "orlindel-journal");
  EXPECT_EQ(bytes[16], kJournalVersion);
  const std::optional<EditJournal> back = DecodeJournal(bytes, kFile);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, journal);

  const EditJournal empty{"fw.bin", 0, 0, {}};
  EXPECT_EQ(DecodeJournal(EncodeJournal(empty), {}), empty);

  // Edits after one another, then one before and one over what was written.
  const EditJournal out_of_order{
      "fw.bin",
      8,
      kFileCrc,
      {{"A", {{1, {0x11}, {0xA1}}, {6, {0x66, 0x77}, {0xA6, 0xA7}}}},
       {"B",
        {{0, {0x00, 0xA1}, {0xB0, 0xB1}}, {5, {0x55, 0xA6}, {0xB5, 0xB6}}}}}};
  EXPECT_EQ(DecodeJournal(EncodeJournal(out_of_order), kFile), out_of_order);

  // One edit of every byte of a 1 MiB file, written as one entry and as the
  // same entry undone past the save.
  FirmwareImage file(size_t{1} << 20, 0);
  for (size_t at = 0; at < file.size(); ++at)
    file[at] = static_cast<uint8_t>(at * 7);
  FirmwareImage changed = file;
  for (uint8_t& byte : changed) byte ^= 0x5A;
  const EditList edits{
      {0, {file.begin(), file.end()}, {changed.begin(), changed.end()}}};
  const JournalHeader header{"fw.bin", std::ssize(file), Crc32(file)};
  const JournalEntryToWrite done[] = {{"Apply patch p.ips", &edits, false}};
  const std::vector<uint8_t> written = EncodeJournal(header, done);
  EXPECT_EQ(std::ssize(written), EncodedJournalSize(header, done));
  EXPECT_LT(std::ssize(written), std::ssize(file) + 128);
  const std::optional<EditJournal> applied = DecodeJournal(written, file);
  ASSERT_TRUE(applied.has_value());
  EXPECT_TRUE(applied->entries[0].edits == edits);
  const JournalHeader after{"fw.bin", std::ssize(changed), Crc32(changed)};
  const JournalEntryToWrite undone[] = {{"Undo Apply patch", &edits, true}};
  const std::optional<EditJournal> inverted =
      DecodeJournal(EncodeJournal(after, undone), changed);
  ASSERT_TRUE(inverted.has_value());
  EXPECT_TRUE(inverted->entries[0].edits == InvertEdits(edits));
}

// Journals written by the first format are read as before, also with names
// holding quotes, control characters and bytes that are not UTF-8.
TEST(EditJournalTest, JournalsOfTheFirstFormatAreStillRead) {
  EditJournal journal = TwoEntries();
  journal.firmware_path = "/fw/\"a\\b\"\n\x01\xFF.bin";
  journal.entries.push_back({"Apply patch \xC3", {}});
  journal.entries[0].edits.push_back({6, {0x66, 0x77}, {0x0F, 0xF0}});
  const std::optional<EditJournal> back =
      DecodeJournal(Bytes(JsonJournal(journal)), kFile);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->entries[0].edits, journal.entries[0].edits);
  EXPECT_EQ(back->entries[1], journal.entries[1]);
  EXPECT_EQ(back->entries.size(), 3u);
  EXPECT_EQ(back->file_crc32, kFileCrc);
  // The first format read against other content: not offered.
  FirmwareImage other = kFile;
  other[0] = 0x01;
  EXPECT_FALSE(DecodeJournal(Bytes(JsonJournal(journal)), other).has_value());
}

TEST(EditJournalTest, MalformedJournalsAreRefused) {
  const std::string good = JsonJournal(TwoEntries());
  ASSERT_TRUE(DecodeJournal(Bytes(good), kFile).has_value());
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
    EXPECT_FALSE(DecodeJournal(Bytes(row.text), kFile).has_value());
  }

  // The binary format: cut short anywhere, any byte changed, or well sealed
  // around a wrong version, an edit past the file's end, counts larger than
  // what follows, or bytes after the last entry.
  const std::vector<uint8_t> binary = EncodeJournal(TwoEntries());
  for (size_t length = 0; length < binary.size(); ++length)
    EXPECT_FALSE(DecodeJournal(std::span(binary).first(length), kFile))
        << "cut to " << length;
  for (size_t at = 0; at < binary.size(); ++at) {
    std::vector<uint8_t> damaged = binary;
    damaged[at] ^= 0x10;
    EXPECT_FALSE(DecodeJournal(damaged, kFile)) << "byte " << at;
  }
  // The first edit (offset, length, one new byte: 17 bytes) comes before
  // the second entry's name ("Revert 0x000002": 4 + 15 bytes), its edit
  // count (8), its edit (16 + 2) and the check sum (4): 66 bytes before the
  // end.
  const size_t first_offset = binary.size() - 66;
  ASSERT_EQ(binary[first_offset], 2);
  std::vector<uint8_t> version = binary;
  version[16] = 3;
  std::vector<uint8_t> past_end = binary;
  past_end[first_offset] = 8;
  std::vector<uint8_t> huge_length = binary;
  huge_length[first_offset + 8 + 7] = 0x80;
  std::vector<uint8_t> huge_count = binary;
  huge_count[first_offset - 8 + 7] = 0x80;
  std::vector<uint8_t> trailing = binary;
  trailing.insert(trailing.end() - 4, 0x00);
  for (const auto& sealed :
       {version, past_end, huge_length, huge_count, trailing})
    EXPECT_FALSE(DecodeJournal(Resealed(sealed), kFile));
  EXPECT_TRUE(DecodeJournal(Resealed(binary), kFile));
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
  // The journal as written is read only against that content.
  const std::vector<uint8_t> written = EncodeJournal(journal);
  EXPECT_TRUE(DecodeJournal(written, kFile));
  EXPECT_FALSE(DecodeJournal(written, other_byte));
  EXPECT_FALSE(DecodeJournal(written, longer));

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
