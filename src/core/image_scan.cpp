#include "core/image_scan.h"

#include <bit>

namespace orlindel {

namespace {

// A search stops being gathered once it would hold more positions than
// this, or once its first tests have passed in more blocks than
// kLeadBlocksAllowed plus one for every kPositionsPerLeadBlock positions
// passed (one block of 32 in 16): code passes them in about one block in
// fifty, while erased flash, repeated entries or a reference every few
// bytes pass them everywhere, and there the search's own scan, which rules
// candidates out in bulk, does better.
constexpr size_t kMostGathered = size_t{1} << 12;
constexpr int64_t kLeadBlocksAllowed = 1 << 10;
constexpr int64_t kPositionsPerLeadBlock = 16 * 32;
// Every test reads less than this far past its position.
constexpr int64_t kReach = 16;

using WindowListScanner = CandidateScanner<2, 5, 3>;
using OsdListScanner = CandidateScanner<5, 3>;
using PsbCallScanner = CandidateScanner<4>;

// The first two tests of a search: for the PS_B calls, the tests the pass
// makes on every position, with the other two.
template <size_t kTests>
constexpr std::array<ByteTest, 2> Lead(const std::array<ByteTest, kTests>& t) {
  return {t[0], t[1]};
}

// For the two tables, the pass tests the tags (0xFF) of their first two
// CodePointers on every position, and where both stand, that of the third:
// code holds two tags a few bytes apart in about one block of 32 in twenty,
// three in one in several hundred, and each block gathered costs the
// table's other tests.
template <size_t kPointers>
constexpr std::array<int, 2> FirstTwoTags(const std::array<int, kPointers>& p) {
  return {p[0], p[1]};
}
template <size_t kPointers>
constexpr std::array<int, 1> ThirdTag(const std::array<int, kPointers>& p) {
  static_assert(kPointers >= 3);
  return {p[2]};
}

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
  // whether base + k passes the first tests. At a bound the gathering stops
  // before `base`.
  void Add(int64_t base, uint32_t lead) {
    if (lead == 0 || !active_) return;
    if (++lead_blocks_ > kLeadBlocksAllowed + base / kPositionsPerLeadBlock) {
      Stop(base);
      return;
    }
    const uint32_t low = (lead & 0xFFFF) != 0 ? scanner_.CandidatesAt(base) : 0;
    const uint32_t high =
        (lead >> 16) != 0 ? scanner_.CandidatesAt(base + 16) : 0;
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
// 0xFF in every lane whose byte at `at` + the test's distance passes it.
[[gnu::always_inline]] inline __m128i Passes16(const uint8_t* at,
                                               const ByteTest& test) {
  const __m128i bytes =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + test.distance));
  if (test.low == test.high)
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
  const __m128i above_low =
      _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
  const __m128i width = _mm_set1_epi8(static_cast<char>(test.high - test.low));
  return _mm_cmpeq_epi8(_mm_min_epu8(above_low, width), above_low);
}

[[gnu::always_inline]] inline uint32_t Both16(
    const uint8_t* at, const std::array<ByteTest, 2>& tests) {
  return static_cast<uint32_t>(_mm_movemask_epi8(
      _mm_and_si128(Passes16(at, tests[0]), Passes16(at, tests[1]))));
}

// The lanes where the bytes at every distance are 0xFF.
template <size_t kTags>
[[gnu::always_inline]] inline uint32_t Tagged16(
    const uint8_t* at, const std::array<int, kTags>& tags) {
  __m128i all = _mm_set1_epi8(-1);
  for (const int distance : tags)
    all = _mm_and_si128(
        all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + distance)));
  return static_cast<uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(-1))));
}

// The XOR of the four words in `lanes`.
inline uint32_t FoldWords(__m128i lanes) {
  lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0x4E));
  lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0xB1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(lanes));
}

// Gathers 16 positions at a time from `pos` (a multiple of 16) while every
// byte the tests read lies inside `size`, for the PS_B calls too when
// kCalls, folding the words passed into the XOR when kChecksum. The calls'
// opcodes are common in code, so all four of their tests come first.
template <bool kCalls, bool kChecksum>
PassEnd GatherSse2(const uint8_t* data, PassEnd from, int64_t size,
                   Gatherers gatherers) {
  constexpr auto kWindow = FirstTwoTags(kWindowListPointers);
  constexpr auto kWindowThird = ThirdTag(kWindowListPointers);
  constexpr auto kOsd = FirstTwoTags(kOsdListPointers);
  constexpr auto kOsdThird = ThirdTag(kOsdListPointers);
  constexpr auto kPsb = Lead(kPsbCallTests);
  constexpr std::array<ByteTest, 2> kPsbRest = {kPsbCallTests[2],
                                                kPsbCallTests[3]};
  int64_t pos = from.pos;
  __m128i words = _mm_cvtsi32_si128(static_cast<int>(from.xor_of_words));
  while (pos + 16 + kReach <= size) {
    const uint8_t* at = data + pos;
    if constexpr (kChecksum)
      words = _mm_xor_si128(
          words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
    uint32_t window = Tagged16(at, kWindow);
    uint32_t osd = Tagged16(at, kOsd);
    const uint32_t psb =
        kCalls ? Both16(at, kPsb) & Both16(at, kPsbRest) : uint32_t{0};
    pos += 16;
    if ((window | osd | psb) == 0) continue;
    window &= Tagged16(at, kWindowThird);
    osd &= Tagged16(at, kOsdThird);
    if ((window | osd | psb) == 0) continue;
    gatherers.window_list.Add(pos - 16, window);
    gatherers.osd_list.Add(pos - 16, osd);
    gatherers.psb_calls.Add(pos - 16, psb);
    if (gatherers.AnyStopped()) break;
  }
  return {pos, FoldWords(words)};
}
#endif

#ifdef ORLINDEL_HAVE_AVX2_SKIP
// 0xFF in every lane whose byte at `at` + the test's distance passes it: one
// comparison for a single value, else (for a range narrower than all 256
// values) two, an offset and a signed comparison: the range moved to start
// at -128.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Passes32(
    const uint8_t* at, const ByteTest& test) {
  const __m256i bytes =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + test.distance));
  if (test.low == test.high)
    return _mm256_cmpeq_epi8(bytes,
                             _mm256_set1_epi8(static_cast<char>(test.low)));
  const __m256i from_min = _mm256_sub_epi8(
      bytes, _mm256_set1_epi8(static_cast<char>(test.low ^ 0x80)));
  return _mm256_cmpgt_epi8(
      _mm256_set1_epi8(static_cast<char>(test.high - test.low - 0x7F)),
      from_min);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Both32(
    const uint8_t* at, const std::array<ByteTest, 2>& tests) {
  return _mm256_and_si256(Passes32(at, tests[0]), Passes32(at, tests[1]));
}

// Tagged16, 32 lanes.
template <size_t kTags>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Tagged32(
    const uint8_t* at, const std::array<int, kTags>& tags) {
  __m256i all = _mm256_set1_epi8(-1);
  for (const int distance : tags)
    all = _mm256_and_si256(
        all,
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + distance)));
  return _mm256_cmpeq_epi8(all, _mm256_set1_epi8(-1));
}

[[gnu::target("avx2")]] inline uint32_t Mask32(__m256i lanes) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(lanes));
}

// GatherSse2, 32 positions at a time.
template <bool kCalls, bool kChecksum>
[[gnu::target("avx2")]] PassEnd GatherAvx2(const uint8_t* data, PassEnd from,
                                           int64_t size, Gatherers gatherers) {
  constexpr auto kWindow = FirstTwoTags(kWindowListPointers);
  constexpr auto kWindowThird = ThirdTag(kWindowListPointers);
  constexpr auto kOsd = FirstTwoTags(kOsdListPointers);
  constexpr auto kOsdThird = ThirdTag(kOsdListPointers);
  constexpr auto kPsb = Lead(kPsbCallTests);
  constexpr std::array<ByteTest, 2> kPsbRest = {kPsbCallTests[2],
                                                kPsbCallTests[3]};
  int64_t pos = from.pos;
  __m256i words = _mm256_zextsi128_si256(
      _mm_cvtsi32_si128(static_cast<int>(from.xor_of_words)));
  while (pos + 32 + kReach <= size) {
    const uint8_t* at = data + pos;
    if constexpr (kChecksum)
      words = _mm256_xor_si256(
          words, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)));
    __m256i window = Tagged32(at, kWindow);
    __m256i osd = Tagged32(at, kOsd);
    const __m256i psb =
        kCalls ? _mm256_and_si256(Both32(at, kPsb), Both32(at, kPsbRest))
               : _mm256_setzero_si256();
    pos += 32;
    __m256i any = _mm256_or_si256(window, _mm256_or_si256(osd, psb));
    if (_mm256_testz_si256(any, any)) continue;
    window = _mm256_and_si256(window, Tagged32(at, kWindowThird));
    osd = _mm256_and_si256(osd, Tagged32(at, kOsdThird));
    any = _mm256_or_si256(window, _mm256_or_si256(osd, psb));
    if (_mm256_testz_si256(any, any)) continue;
    gatherers.window_list.Add(pos - 32, Mask32(window));
    gatherers.osd_list.Add(pos - 32, Mask32(osd));
    gatherers.psb_calls.Add(pos - 32, Mask32(psb));
    if (gatherers.AnyStopped()) break;
  }
  return {pos, FoldWords(_mm_xor_si128(_mm256_castsi256_si128(words),
                                       _mm256_extracti128_si256(words, 1)))};
}
#endif

// The whole pass: AVX2 where the processor has it, SSE2 for what is left.
template <bool kCalls, bool kChecksum>
PassEnd Gather(const uint8_t* data, int64_t size, Gatherers gatherers) {
  PassEnd end{0, 0};
#ifdef ORLINDEL_HAVE_SSE2
#ifdef ORLINDEL_HAVE_AVX2_SKIP
  if (ProcessorHasAvx2())
    end = GatherAvx2<kCalls, kChecksum>(data, end, size, gatherers);
#endif
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

ImageScan::ImageScan(ImageView image, ScannedSearches searches) {
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
  const PassEnd end = calls ? Gather<true, false>(image.data(), size, gatherers)
                      : checksum
                          ? Gather<false, true>(image.data(), size, gatherers)
                          : Gather<false, false>(image.data(), size, gatherers);
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
