// The crash journal: the editor's unsaved edits written beside the user's
// data after each change of the history, so that a session that ends without
// a save (a crash, a kill, a power cut) can be taken up again. It names the
// file the edits belong to by its size and CRC-32; edits are replayed only
// onto exactly that content.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "core/history/edit_list.h"
#include "core/history/image_diff.h"

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

// The format written. Version 1 was a JSON document with each edit's old and
// new bytes in hex, four characters for each byte of a changed range; it is
// still read.
inline constexpr int kJournalVersion = 2;

// One entry as it is written: its name, and the edits of a history entry as
// they were made, or turned around as InvertEdits turns them (an entry undone
// past the save), without a copy of their bytes.
struct JournalEntryToWrite {
  std::string text;
  const EditList* edits = nullptr;
  bool inverted = false;
};

// What a journal says of the file its edits belong to.
struct JournalHeader {
  std::string firmware_path;
  int64_t file_size = 0;
  uint32_t file_crc32 = 0;
};

// Version 2, binary, every number little-endian: "orlindel-journal", the
// version (4 bytes), the path (its length in 4 bytes, then its bytes), the
// file's size (8) and CRC-32 (4), the number of entries (8), each entry's
// name (as the path) and number of edits (8), each edit's offset (8), length
// (8) and new bytes; last, the CRC-32 of everything before it (4). An edit's
// old bytes are not written: they are what the file holds there once the
// edits before it are applied, and the file is known by its size and CRC.
inline constexpr int64_t kJournalEditOverhead = 16;

// The length of the journal EncodeJournal writes for `entries`.
int64_t EncodedJournalSize(const JournalHeader& header,
                           std::span<const JournalEntryToWrite> entries);

// The journal of `entries`, of exactly EncodedJournalSize bytes.
std::vector<uint8_t> EncodeJournal(
    const JournalHeader& header, std::span<const JournalEntryToWrite> entries);
std::vector<uint8_t> EncodeJournal(const EditJournal& journal);

// The most a journal written by the editor for an image within
// kMaxImageSize may hold, and so the most a reader takes: the one entry that
// holds the whole difference between the file and the image (DiffImagesJoined
// of two images of the largest size: every byte once, and one edit at most
// every kJoinedGap + 1 bytes), with a mebibyte for the path and the names. A
// history whose journal would be larger is written as that one entry.
inline constexpr int64_t kMaxJournalSize =
    kMaxImageSize +
    (kMaxImageSize / (kJoinedGap + 1) + 1) * kJournalEditOverhead +
    (int64_t{1} << 20);

// The journal in `bytes`, of either version, as it applies to `file`, with
// each edit's old bytes filled in; nullopt for anything that is not a
// well-formed journal (for version 1: wrong types, odd or unequal byte
// strings, a negative offset; for version 2: a wrong length or check sum
// anywhere) or was not made on exactly `file` (see JournalFits). Takes the
// entries besides `bytes`, and a copy of `file` only for edits that do not
// each lie after all the ones before them.
std::optional<EditJournal> DecodeJournal(std::span<const uint8_t> bytes,
                                         ImageView file);

// True when `file` has the journal's size and CRC-32 and each edit, applied
// in order, finds its old bytes in place inside the image.
bool JournalFits(const EditJournal& journal, ImageView file);

// `edits` turned around: applied in order, they undo `edits`.
EditList InvertEdits(const EditList& edits);

}  // namespace orlindel
