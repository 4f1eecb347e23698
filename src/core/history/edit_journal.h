// The crash journal: the editor's unsaved edits written beside the user's
// data after each change of the history, so that a session that ends without
// a save (a crash, a kill, a power cut) can be taken up again. It names the
// file the edits belong to by its size and CRC-32; edits are replayed only
// onto exactly that content.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/firmware_image.h"
#include "core/history/edit_list.h"

namespace orlindel {

// One history entry: its name as the Undo menu shows it, and its bytes.
struct JournalEntry {
  std::string text;
  EditList edits;

  bool operator==(const JournalEntry&) const = default;
};

struct EditJournal {
  std::string firmware_path;  // as the editor opened it, for the reader
  int64_t file_size = 0;
  uint32_t file_crc32 = 0;
  // Applied in order to the file, they give the edited image.
  std::vector<JournalEntry> entries;

  bool operator==(const EditJournal&) const = default;
};

// The format written; a journal of another version is not read.
inline constexpr int kJournalVersion = 1;

// The journal as a JSON document: {"format": "orlindel-journal",
// "version": 1, "path", "size", "crc32", "entries": [{"text", "edits":
// [{"offset", "old", "new"}]}]}, byte strings in lower-case hex.
std::string EncodeJournal(const EditJournal& journal);

// The journal in `text`; nullopt for anything that is not a well-formed
// journal of this version (wrong types, odd or unequal byte strings, a
// negative offset).
std::optional<EditJournal> DecodeJournal(std::string_view text);

// True when `file` has the journal's size and CRC-32 and each edit, applied
// in order, finds its old bytes in place inside the image.
bool JournalFits(const EditJournal& journal, ImageView file);

// `edits` turned around: applied in order, they undo `edits`.
EditList InvertEdits(const EditList& edits);

}  // namespace orlindel
