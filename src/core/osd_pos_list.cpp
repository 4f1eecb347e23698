#include "core/osd_pos_list.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

#include "core/candidate_scanner.h"
#include "core/checks.h"
#include "core/errors.h"
#include "core/image_scan.h"
#include "core/tv_geometry.h"

namespace orlindel {

namespace {

constexpr int kMaxGroupCount = 255;
// A group reference's count lies below 0x80.
constexpr int64_t kMaxGroupEntries = 0x7F;
// The first entries of a group are checked one by one; only a group whose
// first entries are all valid consults the table of valid-entry runs.
constexpr int kDirectGroupLimit = 2;

// The entry at `at`, which lies wholly inside the image, is valid. The window
// id rejects most entries before the rest is decoded.
bool EntryValidAt(ImageView image, int64_t at, int max_window_id) {
  const uint8_t* entry = image.data() + at;
  const auto be16 = [entry](int field) {
    return entry[field] << 8 | entry[field + 1];
  };
  return entry[0] <= max_window_id && be16(1) < kTableMaxX &&
         be16(3) < kTableMaxY && be16(5) < kTableMaxX && be16(7) < kTableMaxY;
}

bool HasReferenceShape(ImageView image, int64_t ref) {
  CheckAnalysisOffset(ref + kOsdPosGroupRefSize - 1);
  const auto at = static_cast<size_t>(ref);
  // The tag is the rarest condition, so it is tested first.
  return image[at + 1] == 0xFF && image[at] < 0x80 &&
         !(image[at + 2] == 0xFF && image[at + 3] == 0xFF);
}

// The first `count` entries from `start` lie inside the image and are valid.
// RangeError when an entry examined lies past the analysis limit.
bool EntriesValid(ImageView image, int64_t start, int count,
                  int max_window_id) {
  for (int e = 0; e < count; ++e) {
    const int64_t entry = start + kOsdPosEntrySize * e;
    CheckAnalysisOffset(entry);
    if (!FitsInside(image, entry, kOsdPosEntrySize)) return false;
    CheckAnalysisOffset(entry + kOsdPosEntrySize - 1);
    if (!EntryValidAt(image, entry, max_window_id)) return false;
  }
  return true;
}

// Answers group validity during one scan. A group whose first entries are
// valid is answered from the number of valid entries that follow its start at
// a stride of 9. Those runs are worked out on first need and remembered, each
// offset at most once per scan, so an image crafted with long groups at every
// position still scans in linear time, and a real image never needs them.
// The scan meets groups bank by bank, in ascending order but for the few
// candidates that straddle a bank edge, so the runs are remembered for the
// last four banks only, in a ring that needs no clearing.
class GroupChecker {
 public:
  GroupChecker(ImageView image, int max_window_id)
      : image_(image),
        max_window_id_(max_window_id),
        run_end_(std::min<int64_t>(std::ssize(image), kAnalysisLimit + 1)) {}

  // The reference at `ref` lies wholly inside the image. Inlined where the
  // scan calls it: a crafted image can make it check a group every few
  // positions, and once the runs are in use the answer is one lookup.
  // kBelowLimit: the group lies wholly below the analysis limit wherever
  // the reference points (the reference lies far enough below it).
  template <bool kBelowLimit = false>
  [[gnu::always_inline]] bool IsValid(int64_t ref) {
    const uint8_t* at = image_.data() + ref;
    const uint8_t count = at[0];
    // Offset FFFF: the CodePointer is empty, and the reference no reference.
    const int offset = at[2] << 8 | at[3];
    if (offset == 0xFFFF) return false;
    const int64_t start = BankBase(ref + 1) + offset;
    // Entries past the analysis limit are reported as the direct check does.
    const bool below_limit =
        kBelowLimit || start + kOsdPosEntrySize * count - 1 <= kAnalysisLimit;
    // Once the runs are in use, they answer every group they can.
    if (runs_ && below_limit) return count == 0 || RunAt(start) >= count;
    return IsValidFirstTime(start, count, below_limit);
  }

  bool IsValidReference(int64_t ref) {
    return FitsInside(image_, ref, kOsdPosGroupRefSize) &&
           HasReferenceShape(image_, ref) && IsValid(ref);
  }

 private:
  // A group not answered by the runs: its first entries are checked one by
  // one, and only a group whose first entries are valid brings the runs into
  // use.
  [[gnu::noinline]] bool IsValidFirstTime(int64_t start, uint8_t count,
                                          bool below_limit) {
    if (!EntriesValid(image_, start, std::min<int>(count, kDirectGroupLimit),
                      max_window_id_))
      return false;
    if (count <= kDirectGroupLimit) return true;
    if (!below_limit) return EntriesValid(image_, start, count, max_window_id_);
    return RunAt(start) >= count;
  }

  // Runs are remembered up to this length: a group has at most 0x7F entries.
  static constexpr uint8_t kLongRun = 0x80;
  // The ring holds the runs of four banks; a walk from a group's start
  // remembers the runs in its bank and the next one, so the bank before the
  // one being scanned stays in the ring.
  static constexpr int64_t kRingBanks = 4;
  static constexpr int64_t kRingSize = kRingBanks * kBankSize;
  // Each slot holds the bank of its offset plus one (0: nothing remembered)
  // above the run, so that a slot left from an earlier bank reads as unknown.
  static_assert(kAnalysisLimit / kBankSize + 1 <= 0xFF);

  // Offsets are never negative here: as unsigned, they divide by shifts.
  static uint16_t Slot(int64_t at, uint8_t run) {
    return static_cast<uint16_t>(
        (static_cast<uint64_t>(at) / kBankSize + 1) << 8 | run);
  }
  uint16_t& SlotAt(int64_t at) {
    return runs_[static_cast<uint64_t>(at) % kRingSize];
  }
  bool Known(int64_t at) { return (SlotAt(at) >> 8) == Slot(at, 0) >> 8; }

  // The number of valid entries at start, start + 9, ... (at most kLongRun).
  [[gnu::always_inline]] uint8_t RunAt(int64_t start) {
    if (runs_ && Known(start)) return static_cast<uint8_t>(SlotAt(start));
    return WalkRunAt(start);
  }

  // RunAt for a start whose run is not known yet.
  [[gnu::noinline]] uint8_t WalkRunAt(int64_t start) {
    if (!runs_) {
      runs_.reset(static_cast<uint16_t*>(
          std::calloc(static_cast<size_t>(kRingSize), sizeof(uint16_t))));
      if (!runs_) throw std::bad_alloc();
    }
    // Runs are remembered for the entries that lie wholly in the start's bank
    // and the next one.
    const int64_t remembered_end =
        std::min(run_end_, start / kBankSize * kBankSize + 2 * kBankSize);
    // Walk forward to the first offset whose run is known or plainly 0 ...
    int64_t at = start;
    uint8_t run = 0;
    for (;; at += kOsdPosEntrySize) {
      if (at + kOsdPosEntrySize > remembered_end) {
        run = RunNotRemembered(at);
        break;
      }
      if (Known(at)) {
        run = static_cast<uint8_t>(SlotAt(at));
        break;
      }
      if (!EntryValidAt(image_, at, max_window_id_)) {
        SlotAt(at) = Slot(at, 0);
        break;
      }
    }
    // ... then remember the runs of the valid entries walked over.
    for (at -= kOsdPosEntrySize; at >= start; at -= kOsdPosEntrySize) {
      run = run == kLongRun ? kLongRun : static_cast<uint8_t>(run + 1);
      SlotAt(at) = Slot(at, run);
    }
    return run;
  }

  // The run at `at`, past the entries remembered, counted up to kLongRun
  // entries: enough for the last remembered run before it.
  uint8_t RunNotRemembered(int64_t at) const {
    uint8_t run = 0;
    for (; run < kLongRun && at + kOsdPosEntrySize <= run_end_ &&
           EntryValidAt(image_, at, max_window_id_);
         at += kOsdPosEntrySize)
      ++run;
    return run;
  }

  struct FreeMemory {
    void operator()(uint16_t* memory) const { std::free(memory); }
  };

  ImageView image_;
  int max_window_id_;
  int64_t run_end_;
  std::unique_ptr<uint16_t[], FreeMemory> runs_;
};

// The last candidate whose three groups lie wholly below the analysis limit
// wherever their references point, so that checking them cannot fail.
constexpr int64_t kLastSafeCandidate = kAnalysisLimit -
                                       kOsdPosGroupRefSize * 2 - kBankSize -
                                       kMaxGroupEntries * kOsdPosEntrySize;

// Positions where three group references stand in a row: bytes 1, 5 and 9
// are CodePointer tags (tested first, as the rarest condition), bytes 0, 4
// and 8 the counts.
using RefTriples = CandidateScanner<6, 1>;

// The first of the positions 0..last (at most kLastSafeCandidate) where
// three valid group references stand in a row, or -1. When no entry can be
// valid (kOnlyEmptyGroups), only groups of no entries are, so only three
// counts of 0 in a row make a candidate. A candidate's references are
// checked last first; one found invalid rules out all at once the candidates
// of the same residue (mod 4) up to it, which hold it too: a run of
// references to invalid groups costs one group check per three candidates
// and no step for the candidates ruled out.
template <bool kOnlyEmptyGroups>
int64_t FirstSafeList(ImageView image, int64_t last, GroupChecker& groups,
                      const GatheredPositions* gathered) {
  using Tests = std::array<ByteTest, 6>;
  // Erased flash and code rarely hold 00 FF, so there the first count is
  // tested second. Of the three CodePointers only the first is tested whole
  // here (it lets erased flash be skipped in bulk); the offsets of the other
  // two are tested by the group checks, for the few candidates checked.
  constexpr Tests kTests = kOnlyEmptyGroups ? Tests{{{1, 0xFF, 0xFF},
                                                     {0, 0x00, 0x00},
                                                     {5, 0xFF, 0xFF},
                                                     {9, 0xFF, 0xFF},
                                                     {4, 0x00, 0x00},
                                                     {8, 0x00, 0x00}}}
                                            : Tests{{kOsdListTests[0],
                                                     kOsdListTests[1],
                                                     {9, 0xFF, 0xFF},
                                                     kOsdListTests[2],
                                                     kOsdListTests[3],
                                                     kOsdListTests[4]}};
  // The candidates ruled out past the last block visited, from its start
  // (bit k for ruled_base + k).
  int64_t ruled_base = std::numeric_limits<int64_t>::min() / 2;
  uint32_t ruled_past = 0;
  // The first candidate among `block` (bit k for base + k, k < 16) that
  // starts a list, or -1; blocks come in ascending order, each starting at
  // least 16 positions after the last. A candidate found invalid at its
  // reference r rules out the later candidates that hold that reference too.
  const auto first_list_in = [&](int64_t base, uint32_t block) -> int64_t {
    const int64_t gap = base - ruled_base;
    if (gap < 32) block &= ~(ruled_past >> gap);
    uint32_t ruled = 0;
    while (block != 0) {
      const int k = std::countr_zero(block);
      block &= block - 1;
      const int64_t i = base + k;
      int r = 2;
      while (r >= 0 && groups.IsValid<true>(i + kOsdPosGroupRefSize * r)) --r;
      if (r < 0) return i;
      // The candidates 4 and 8 positions on hold reference 2, the one 4 on
      // reference 1.
      constexpr std::array<uint32_t, 3> kSharing = {0, 1u << 4,
                                                    1u << 4 | 1u << 8};
      ruled |= kSharing[static_cast<size_t>(r)] << k;
      block &= ~ruled;
    }
    ruled_base = base;
    ruled_past = ruled;
    return -1;
  };
  // The candidates the shared scan gathered come first (they pass
  // kOsdListTests, which ask for all but the counts of 0), visited in blocks
  // of up to sixteen positions; the scan goes on where it stopped.
  int64_t first = 0;
  if (gathered != nullptr) {
    int64_t base = 0;
    uint32_t block = 0;
    for (const int64_t i : gathered->positions) {
      if (i > last) break;
      const auto at = static_cast<size_t>(i);
      if (kOnlyEmptyGroups &&
          (image[at] != 0 || image[at + 4] != 0 || image[at + 8] != 0))
        continue;
      if (block != 0 && i - base >= 16) {
        if (const int64_t found = first_list_in(base, block); found >= 0)
          return found;
        block = 0;
      }
      if (block == 0) base = i;
      block |= 1u << (i - base);
    }
    if (block != 0)
      if (const int64_t found = first_list_in(base, block); found >= 0)
        return found;
    first = gathered->covered;
  }
  // Local constants, so that the scanner's tests fold into its code.
  constexpr std::array<int, 1> kPointers = {kOsdListPointers[0]};
  RefTriples candidates(image, first, last, kTests, kPointers);
  int64_t base = 0;
  for (uint32_t block = candidates.NextBlock(base); block != 0;
       block = candidates.NextBlock(base))
    if (const int64_t found = first_list_in(base, block); found >= 0)
      return found;
  return -1;
}

}  // namespace

OsdPosEntry ReadOsdPosEntryAt(ImageView image, int64_t offset) {
  CheckFits(image, offset, kOsdPosEntrySize);
  return {image[static_cast<size_t>(offset)], ReadBE16(image, offset + 1),
          ReadBE16(image, offset + 3), ReadBE16(image, offset + 5),
          ReadBE16(image, offset + 7)};
}

void WriteOsdPosEntryAt(std::span<uint8_t> image, int64_t offset,
                        const OsdPosEntry& entry) {
  CheckFits(image, offset, kOsdPosEntrySize);
  image[static_cast<size_t>(offset)] = entry.window_id;
  WriteBE16(image, offset + 1, entry.x);
  WriteBE16(image, offset + 3, entry.y);
  WriteBE16(image, offset + 5, entry.width);
  WriteBE16(image, offset + 7, entry.height);
}

bool IsValidOsdPosEntry(const OsdPosEntry& entry, int max_window_id) {
  return entry.window_id <= max_window_id && entry.x < kTableMaxX &&
         entry.y < kTableMaxY && entry.width < kTableMaxX &&
         entry.height < kTableMaxY;
}

namespace {

// FindOsdPosList, taking the candidates `gathered` holds when given.
OsdPosListInfo FindOsdPosListIn(ImageView image, int max_window_id,
                                const GatheredPositions* gathered) {
  const int64_t last = TableScanLimit(image) - 3 * kOsdPosGroupRefSize;
  const int64_t scan_last = std::min(last, kAnalysisLimit);
  const int64_t safe_last = std::min(scan_last, kLastSafeCandidate);
  GroupChecker groups(image, max_window_id);
  // Without a window to name, no entry is valid.
  int64_t found =
      max_window_id < 0
          ? FirstSafeList<true>(image, safe_last, groups, gathered)
          : FirstSafeList<false>(image, safe_last, groups, gathered);
  if (found < 0) {
    // Near the analysis limit a group can reach past it, and checking such a
    // group refuses the image wherever its reference stands. So from here
    // each reference with its shape is taken in order, as the first of a
    // list and then with the two after it, as a direct scan meets them.
    CandidateScanner<2, 1> refs(image, safe_last + 1, scan_last,
                                {{{1, 0xFF, 0xFF}, {0, 0x00, 0x7F}}}, {1});
    for (int64_t i = refs.Next(); i >= 0 && found < 0; i = refs.Next()) {
      CheckAnalysisOffset(i + kOsdPosGroupRefSize - 1);
      if (groups.IsValid(i) &&
          groups.IsValidReference(i + kOsdPosGroupRefSize) &&
          groups.IsValidReference(i + kOsdPosGroupRefSize * 2))
        found = i;
    }
  }
  if (found >= 0) {
    int count = 3;
    while (count < kMaxGroupCount &&
           groups.IsValidReference(found + kOsdPosGroupRefSize * count))
      ++count;
    return {found, static_cast<uint8_t>(count)};
  }
  // The scan would go on past the analysis limit.
  if (last > kAnalysisLimit) throw RangeError();
  return {};
}

}  // namespace

OsdPosListInfo FindOsdPosList(ImageView image, int max_window_id) {
  return FindOsdPosListIn(image, max_window_id, nullptr);
}

OsdPosListInfo FindOsdPosList(ImageView image, int max_window_id,
                              const ImageScan& scan) {
  return FindOsdPosListIn(image, max_window_id, &scan.osd_list());
}

OsdPosGroup ReadOsdPosGroup(ImageView image, int64_t list_offset, int group) {
  const int64_t ref = list_offset + kOsdPosGroupRefSize * group;
  if (group < 0) throw RangeError();
  CheckFits(image, ref, kOsdPosGroupRefSize);
  return {image[static_cast<size_t>(ref)],
          BankBase(list_offset) + ReadBE16(image, ref + 2)};
}

int64_t OsdPosEntryOffset(const OsdPosGroup& group, int entry) {
  if (entry < 0) throw RangeError();
  return CheckedAdd<int64_t>(group.entries_offset, kOsdPosEntrySize * entry);
}

std::optional<OsdPosEntry> ReadOsdPosEntry(ImageView image,
                                           const OsdPosGroup& group,
                                           int entry) {
  const int64_t offset = OsdPosEntryOffset(group, entry);
  if (!FitsInside(image, offset, kOsdPosEntrySize)) return std::nullopt;
  return ReadOsdPosEntryAt(image, offset);
}

}  // namespace orlindel
