// One pass over the image for the structure searches that run together (the
// open, the Debug analysis, an image's summary): it gathers, for each search,
// the positions where its candidate tests pass, testing them while their
// bytes are at hand, and folds the checksum when asked, so that each search
// then visits only those and reads the image again only where the pass
// ended. The searches find exactly what they find alone.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/candidate_scanner.h"
#include "core/firmware_image.h"

namespace orlindel {

// The candidate tests of each search, the first two (the rarest) tested
// first.
// A WList whose first five entries are CodePointers (tags at 0 and 3 first)
// and whose first three point at different records.
inline constexpr std::array<ByteTest, 2> kWindowListTags = {
    {{0, 0xFF, 0xFF}, {3, 0xFF, 0xFF}}};
inline constexpr std::array<int, 5> kWindowListPointers = {0, 3, 6, 9, 12};
inline constexpr std::array<DifferTest, 3> kWindowListDiffers = {
    {{1, 4}, {1, 7}, {4, 7}}};
// Three OSD group references in a row: CodePointer tags at 1, 5 and 9 (the
// first two tested first), counts of at most 0x7F at 0, 4 and 8.
inline constexpr std::array<ByteTest, 5> kOsdListTests = {{{1, 0xFF, 0xFF},
                                                           {5, 0xFF, 0xFF},
                                                           {0, 0x00, 0x7F},
                                                           {4, 0x00, 0x7F},
                                                           {8, 0x00, 0x7F}}};
inline constexpr std::array<int, 3> kOsdListPointers = {1, 5, 9};
// A PS_B call pattern: the LCALL opcode at 6, MOV opcodes (7D, 7E or 7F) at
// 0, 2 and 4.
inline constexpr std::array<ByteTest, 4> kPsbCallTests = {
    {{6, 0x12, 0x12}, {0, 0x7D, 0x7F}, {2, 0x7D, 0x7F}, {4, 0x7D, 0x7F}}};

// For one search: every position below `covered` that passes all its
// candidate tests, ascending. The search takes its candidates below
// `covered` from here and reads the image itself from there on.
struct GatheredPositions {
  std::vector<int64_t> positions;
  int64_t covered = 0;
};

// What a pass gathers for: the two table searches of an open; those and the
// PS_B calls of the Debug analysis; or the table searches and the checksum
// (the XOR of the image's words) of an image's summary.
enum class ScannedSearches { kTables, kTablesAndPsbCalls, kTablesAndChecksum };

class ImageScan {
 public:
  // Reads `image` once. A search left out stops being gathered at 0. A
  // search whose quick tests in the pass hold in too many blocks, or whose
  // candidates grow past a bound (in a crafted image), stops being gathered
  // there and the pass ends: from there every search reads on by itself.
  // Where the processor offers no SSE2 nothing is gathered. `step`
  // kSixteen makes the pass as on a processor without AVX2.
  explicit ImageScan(
      ImageView image,
      ScannedSearches searches = ScannedSearches::kTablesAndPsbCalls,
      QuietSkip step = QuietSkip::kWidestAvailable);

  const GatheredPositions& window_list() const { return window_list_; }
  const GatheredPositions& osd_list() const { return osd_list_; }
  const GatheredPositions& psb_calls() const { return psb_calls_; }
  // Exactly IsImageChecksumValid(image), for a pass made with
  // kTablesAndChecksum.
  bool checksum_valid() const { return checksum_valid_; }

 private:
  GatheredPositions window_list_;
  GatheredPositions osd_list_;
  GatheredPositions psb_calls_;
  bool checksum_valid_ = false;
};

}  // namespace orlindel
