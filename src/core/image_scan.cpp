#include "core/image_scan.h"

#include <bit>

namespace orlindel {

namespace {

// A search stops being gathered once it would hold more positions than
// this, or once the pass's tests for it have passed in more blocks of 16
// positions than kLeadBlocksAllowed plus one for every
// kPositionsPerLeadBlock positions passed (one block in 16), whether the
// pass takes 16 positions at a time or 32: code passes them in about one
// block in several hundred, while erased flash, repeated entries or a
// reference every few bytes pass them everywhere, and there the search's
// own scan, which rules candidates out in bulk, does better.
constexpr size_t kMostGathered = size_t{1} << 12;
constexpr int64_t kLeadBlocksAllowed = 1 << 11;
constexpr int64_t kPositionsPerLeadBlock = 16 * 16;
// Every test reads less than this far past its position.
constexpr int64_t kReach = 16;

using WindowListScanner = CandidateScanner<2, 5, 3>;
using OsdListScanner = CandidateScanner<5, 3>;
using PsbCallScanner = CandidateScanner<4>;

// The pass tests every position for the tags (0xFF) of each table's first
// three CodePointers: code holds them in about one block of 32 in several
// hundred. Testing two left one block in twenty to gather, each a
// mispredicted branch and the table's other tests.
template <const auto& kPointers>
constexpr std::array<int, 3> kFirstThree = {kPointers[0], kPointers[1],
                                            kPointers[2]};

// The PS_B calls' tests as the pass makes them: the LCALL opcode, and for
// the three MOV opcodes their AND, as a signed byte no lower than the AND of
// every opcode a MOV may have (0x7C): the AND of opcodes in that range keeps
// at least the bits they all share and has no sign bit. Every call passes;
// the few other positions that do (an opcode 0x7C, or one above 0x7F beside
// two in the range) the scanner rules out. Half the instructions of testing
// each opcode's range.
constexpr ByteTest kPsbCall = kPsbCallTests[0];
constexpr std::array<int, 3> kPsbMoves = {kPsbCallTests[1].distance,
                                          kPsbCallTests[2].distance,
                                          kPsbCallTests[3].distance};
constexpr uint8_t AndOfRange(const ByteTest& test) {
  uint8_t all = 0xFF;
  for (int value = test.low; value <= test.high; ++value)
    all &= static_cast<uint8_t>(value);
  return all;
}
constexpr uint8_t kPsbMoveFloor = AndOfRange(kPsbCallTests[1]);
static_assert(kPsbCall.low == kPsbCall.high);
static_assert(kPsbCallTests[1].low == kPsbCallTests[2].low &&
              kPsbCallTests[1].low == kPsbCallTests[3].low &&
              kPsbCallTests[1].high == kPsbCallTests[2].high &&
              kPsbCallTests[1].high == kPsbCallTests[3].high &&
              kPsbCallTests[1].high <= 0x7F && kPsbMoveFloor > 0);

// One search's gathering: its tests and the positions found so far.
template <typename Scanner>
class Gatherer {
 public:
  // An inactive gatherer gathers nothing: its search reads the whole image.
  Gatherer(const Scanner& scanner, GatheredPositions& gathered, bool active)
      : scanner_(scanner), gathered_(gathered), active_(active) {}

  // The gathering reached a bound and stopped.
  bool Stopped() const { return stopped_; }

  // Adds the candidates among positions base .. base + 31 (for a `lead`
  // over 32 positions) or base .. base + 15, where bit k of `lead` says
  // whether base + k passes the pass's tests. At a bound the gathering stops
  // before `base`.
  void Add(int64_t base, uint32_t lead) {
    if (lead == 0 || !active_) return;
    const bool low_leads = (lead & 0xFFFF) != 0;
    const bool high_leads = (lead >> 16) != 0;
    lead_blocks_ += int64_t{low_leads} + int64_t{high_leads};
    if (lead_blocks_ > kLeadBlocksAllowed + base / kPositionsPerLeadBlock) {
      Stop(base);
      return;
    }
    const uint32_t low = low_leads ? scanner_.CandidatesAt(base) : 0;
    const uint32_t high = high_leads ? scanner_.CandidatesAt(base + 16) : 0;
    const uint32_t found = low | high << 16;
    if (found == 0) return;
    if (gathered_.positions.size() + static_cast<size_t>(std::popcount(found)) >
        kMostGathered) {
      Stop(base);
      return;
    }
    for (uint32_t bits = found; bits != 0; bits &= bits - 1)
      gathered_.positions.push_back(base + std::countr_zero(bits));
  }

  // Every position below `end` has been looked at, unless the gathering
  // stopped before.
  void Finish(int64_t end) {
    if (active_) gathered_.covered = end;
  }

 private:
  void Stop(int64_t at) {
    gathered_.covered = at;
    active_ = false;
    stopped_ = true;
  }

  Scanner scanner_;
  GatheredPositions& gathered_;
  bool active_;
  bool stopped_ = false;
  int64_t lead_blocks_ = 0;
};

struct Gatherers {
  Gatherer<WindowListScanner>& window_list;
  Gatherer<OsdListScanner>& osd_list;
  Gatherer<PsbCallScanner>& psb_calls;

  bool AnyStopped() const {
    return window_list.Stopped() || osd_list.Stopped() || psb_calls.Stopped();
  }
};

// Where a pass ended, and the XOR of the words below it when asked for.
struct PassEnd {
  int64_t pos;
  uint32_t xor_of_words;
};

#ifdef ORLINDEL_HAVE_SSE2
[[gnu::always_inline]] inline __m128i Load16(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The AND of the bytes at `tags`: 0xFF in the lanes where every tag stands.
[[gnu::always_inline]] inline __m128i Tags16(const uint8_t* at,
                                             const std::array<int, 3>& tags) {
  return _mm_and_si128(
      _mm_and_si128(Load16(at + tags[0]), Load16(at + tags[1])),
      Load16(at + tags[2]));
}

// 0xFF in every lane where either table's tags stand: the larger of the two
// ANDs is 0xFF where either is.
[[gnu::always_inline]] inline __m128i EitherTable16(__m128i window,
                                                    __m128i osd) {
  return _mm_cmpeq_epi8(_mm_max_epu8(window, osd), _mm_set1_epi8(-1));
}

[[gnu::always_inline]] inline uint32_t TaggedLanes16(__m128i tags) {
  return static_cast<uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(tags, _mm_set1_epi8(-1))));
}

// 0xFF in every lane that passes the PS_B calls' tests as the pass makes
// them.
[[gnu::always_inline]] inline __m128i PsbLead16(const uint8_t* at) {
  const __m128i call =
      _mm_cmpeq_epi8(Load16(at + kPsbCall.distance),
                     _mm_set1_epi8(static_cast<char>(kPsbCall.low)));
  const __m128i moves =
      _mm_and_si128(_mm_and_si128(Load16(at + kPsbMoves[0]),
                                  Load16(at + kPsbMoves[1])),
                    Load16(at + kPsbMoves[2]));
  return _mm_and_si128(
      call, _mm_cmpgt_epi8(moves,
                           _mm_set1_epi8(static_cast<char>(kPsbMoveFloor - 1))));
}

// The XOR of the four words in `lanes`.
inline uint32_t FoldWords(__m128i lanes) {
  lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0x4E));
  lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0xB1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(lanes));
}

// Gathers 16 positions at a time from `pos` (a multiple of 16) while every
// byte the tests read lies inside `size`, for the PS_B calls too when
// kCalls, folding the words passed into the XOR when kChecksum.
template <bool kCalls, bool kChecksum>
PassEnd GatherSse2(const uint8_t* data, PassEnd from, int64_t size,
                   Gatherers gatherers) {
  int64_t pos = from.pos;
  __m128i words = _mm_cvtsi32_si128(static_cast<int>(from.xor_of_words));
  while (pos + 16 + kReach <= size) {
    const uint8_t* at = data + pos;
    if constexpr (kChecksum) words = _mm_xor_si128(words, Load16(at));
    const __m128i window = Tags16(at, kFirstThree<kWindowListPointers>);
    const __m128i osd = Tags16(at, kFirstThree<kOsdListPointers>);
    const __m128i psb = kCalls ? PsbLead16(at) : _mm_setzero_si128();
    pos += 16;
    if (_mm_movemask_epi8(_mm_or_si128(EitherTable16(window, osd), psb)) == 0)
      continue;
    gatherers.window_list.Add(pos - 16, TaggedLanes16(window));
    gatherers.osd_list.Add(pos - 16, TaggedLanes16(osd));
    gatherers.psb_calls.Add(pos - 16,
                            static_cast<uint32_t>(_mm_movemask_epi8(psb)));
    if (gatherers.AnyStopped()) break;
  }
  return {pos, FoldWords(words)};
}
#endif

#ifdef ORLINDEL_HAVE_AVX2_SKIP
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Load32(
    const uint8_t* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// The bytes from a position on, read with two loads where the tests need
// eight: each distance's 32 bytes are shifted out of the 32 at the position
// and the 32 from 16 further. Loads at every distance, half of them across
// two cache lines, held the pass back.
class Window32 {
 public:
  [[gnu::target("avx2"), gnu::always_inline]] explicit Window32(
      const uint8_t* at)
      : here_(Load32(at)), across_(Load32(at + 16)) {}

  // The 32 bytes at the position + kDistance (0..15).
  template <int kDistance>
  [[gnu::target("avx2"), gnu::always_inline]] __m256i At() const {
    static_assert(kDistance >= 0 && kDistance < 16);
    if constexpr (kDistance == 0) return here_;
    return _mm256_alignr_epi8(across_, here_, kDistance);
  }

 private:
  __m256i here_;
  __m256i across_;
};

// Tags16, 32 lanes.
template <const std::array<int, 3>& kTags>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Tags32(
    const Window32& bytes) {
  return _mm256_and_si256(
      _mm256_and_si256(bytes.At<kTags[0]>(), bytes.At<kTags[1]>()),
      bytes.At<kTags[2]>());
}

// EitherTable16, 32 lanes.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i EitherTable32(
    __m256i window, __m256i osd) {
  return _mm256_cmpeq_epi8(_mm256_max_epu8(window, osd),
                           _mm256_set1_epi8(-1));
}

[[gnu::target("avx2")]] inline uint32_t Mask32(__m256i lanes) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(lanes));
}

[[gnu::target("avx2")]] inline uint32_t TaggedLanes32(__m256i tags) {
  return Mask32(_mm256_cmpeq_epi8(tags, _mm256_set1_epi8(-1)));
}

// PsbLead16, 32 lanes.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i PsbLead32(
    const Window32& bytes) {
  const __m256i call =
      _mm256_cmpeq_epi8(bytes.At<kPsbCall.distance>(),
                        _mm256_set1_epi8(static_cast<char>(kPsbCall.low)));
  const __m256i moves = _mm256_and_si256(
      _mm256_and_si256(bytes.At<kPsbMoves[0]>(), bytes.At<kPsbMoves[1]>()),
      bytes.At<kPsbMoves[2]>());
  return _mm256_and_si256(
      call, _mm256_cmpgt_epi8(
                moves, _mm256_set1_epi8(static_cast<char>(kPsbMoveFloor - 1))));
}

// GatherSse2, 32 positions at a time.
template <bool kCalls, bool kChecksum>
[[gnu::target("avx2")]] PassEnd GatherAvx2(const uint8_t* data, PassEnd from,
                                           int64_t size, Gatherers gatherers) {
  int64_t pos = from.pos;
  __m256i words = _mm256_zextsi128_si256(
      _mm_cvtsi32_si128(static_cast<int>(from.xor_of_words)));
  while (pos + 32 + kReach <= size) {
    const Window32 bytes(data + pos);
    if constexpr (kChecksum) words = _mm256_xor_si256(words, bytes.At<0>());
    const __m256i window = Tags32<kFirstThree<kWindowListPointers>>(bytes);
    const __m256i osd = Tags32<kFirstThree<kOsdListPointers>>(bytes);
    const __m256i psb = kCalls ? PsbLead32(bytes) : _mm256_setzero_si256();
    pos += 32;
    const __m256i any = _mm256_or_si256(EitherTable32(window, osd), psb);
    if (_mm256_testz_si256(any, any)) continue;
    gatherers.window_list.Add(pos - 32, TaggedLanes32(window));
    gatherers.osd_list.Add(pos - 32, TaggedLanes32(osd));
    gatherers.psb_calls.Add(pos - 32, Mask32(psb));
    if (gatherers.AnyStopped()) break;
  }
  return {pos, FoldWords(_mm_xor_si128(_mm256_castsi256_si128(words),
                                       _mm256_extracti128_si256(words, 1)))};
}
#endif

// The whole pass: AVX2 where the processor has it and `step` allows, SSE2
// for what is left.
template <bool kCalls, bool kChecksum>
PassEnd Gather(const uint8_t* data, int64_t size, Gatherers gatherers,
               QuietSkip step) {
  PassEnd end{0, 0};
#ifdef ORLINDEL_HAVE_AVX2_SKIP
  if (step == QuietSkip::kWidestAvailable && ProcessorHasAvx2())
    end = GatherAvx2<kCalls, kChecksum>(data, end, size, gatherers);
#else
  (void)step;
#endif
#ifdef ORLINDEL_HAVE_SSE2
  if (!gatherers.AnyStopped())
    end = GatherSse2<kCalls, kChecksum>(data, end, size, gatherers);
#else
  (void)data;
  (void)size;
  (void)gatherers;
#endif
  return end;
}

}  // namespace

ImageScan::ImageScan(ImageView image, ScannedSearches searches,
                     QuietSkip step) {
  const auto size = static_cast<int64_t>(image.size());
  // The scanners only test blocks of positions here, none past `last`.
  const int64_t last = size - kReach;
  const WindowListScanner window_tests(image, 0, last, kWindowListTags,
                                       kWindowListPointers, kWindowListDiffers);
  const OsdListScanner osd_tests(image, 0, last, kOsdListTests,
                                 kOsdListPointers);
  const PsbCallScanner psb_tests(image, 0, last, kPsbCallTests);
  const bool calls = searches == ScannedSearches::kTablesAndPsbCalls;
  const bool checksum = searches == ScannedSearches::kTablesAndChecksum;
  Gatherer window(window_tests, window_list_, true);
  Gatherer osd(osd_tests, osd_list_, true);
  Gatherer psb(psb_tests, psb_calls_, calls);
  const Gatherers gatherers{window, osd, psb};
  const uint8_t* data = image.data();
  const PassEnd end =
      calls      ? Gather<true, false>(data, size, gatherers, step)
      : checksum ? Gather<false, true>(data, size, gatherers, step)
                 : Gather<false, false>(data, size, gatherers, step);
  window.Finish(end.pos);
  osd.Finish(end.pos);
  psb.Finish(end.pos);
  // The pass folded whole words below end.pos (a multiple of 16); the words
  // from there are folded here.
  if (checksum)
    checksum_valid_ =
        image.size() >= 4 &&
        (end.xor_of_words ^
         XorOfWordsFrom(image, static_cast<size_t>(end.pos) / 4)) == 0;
}

}  // namespace orlindel
