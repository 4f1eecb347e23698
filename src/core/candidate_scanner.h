// Finds, in ascending order, the positions where every byte at a set of
// fixed distances lies in its range and, optionally, CodePointers stand at
// given distances (a tag 0xFF not followed by FF FF) and, optionally, the
// 16-bit fields at two distances differ: the places where a table or a code
// pattern can start. Sixteen positions are tested at once where the
// processor offers SSE2; the first two byte tests are tried first on every
// block, so callers list the rarest conditions first.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/firmware_image.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ORLINDEL_HAVE_SSE2 1
#endif

// Where the processor offers AVX2 (asked at run time), stretches whose first
// two tests fail are skipped 32 positions at a time.
#if defined(ORLINDEL_HAVE_SSE2) && defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define ORLINDEL_HAVE_AVX2_SKIP 1
#endif

namespace orlindel {

#ifdef ORLINDEL_HAVE_AVX2_SKIP
inline bool ProcessorHasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif

// The byte at `distance` from the position lies in [low, high].
struct ByteTest {
  int distance;
  uint8_t low;
  uint8_t high;
};

// The two bytes at `first` differ from the two bytes at `second`.
struct DifferTest {
  int first;
  int second;
};

// How quiet stretches are skipped: 32 positions at a time where the
// processor has AVX2, or always 16 at a time as on a processor without it.
enum class QuietSkip { kWidestAvailable, kSixteen };

template <size_t kTests, size_t kPointers = 0, size_t kDiffers = 0,
          QuietSkip kSkip = QuietSkip::kWidestAvailable>
class CandidateScanner {
  static_assert(kTests >= 1);

 public:
  // Positions `first`..`last` are examined; every byte up to `last` + the
  // largest distance (+ 2 for a CodePointer, + 1 for a field) must lie
  // inside `image`.
  CandidateScanner(ImageView image, int64_t first, int64_t last,
                   const std::array<ByteTest, kTests>& tests,
                   const std::array<int, kPointers>& pointers = {},
                   const std::array<DifferTest, kDiffers>& differs = {})
      : image_(image),
        last_(last),
        tests_(tests),
        pointers_(pointers),
        differs_(differs),
        block_(first < 0 ? 0 : first) {}

  // The next candidate, or -1 when there is none left.
  [[gnu::always_inline]] int64_t Next() {
    if (!FillMask()) return -1;
    const int bit = std::countr_zero(mask_);
    mask_ &= mask_ - 1;
    return base_ + bit;
  }

  // The candidates of the next block that holds any, one bit per position
  // from `base` (bit k for base + k), all at once; 0 when none is left. For
  // callers that rule out several candidates of a block together; Next
  // then starts after this block.
  [[gnu::always_inline]] uint32_t NextBlock(int64_t& base) {
    if (!FillMask()) return 0;
    base = base_;
    const uint32_t block = mask_;
    mask_ = 0;
    return block;
  }

  // The candidates among positions pos .. pos + 15, one bit each (bit k for
  // pos + k), tested all at once where the processor allows, for a pass that
  // finds the candidates of several scanners itself (core/image_scan.h);
  // every byte the tests read for them must lie inside the image, and
  // pos + 15 must not lie past `last`.
  uint32_t CandidatesAt(int64_t pos) { return BlockMask(pos); }

 private:
  // Examines blocks until one holds a candidate; false when none is left.
  [[gnu::always_inline]] bool FillMask() {
    while (mask_ == 0) {
      if (block_ > last_) return false;
      if (quiet_) {
        // The last block failed its first two tests: most likely the next
        // ones do too.
        quiet_ = false;
        block_ = SkipQuiet(block_);
        if (block_ > last_) return false;
      } else if (erased_) {
        // The last block failed only for its first CodePointer: most likely
        // it lies in erased flash, 0xFF all through, which goes on.
        erased_ = false;
        block_ = SkipErased(block_);
        if (block_ > last_) return false;
      } else if (repeated_) {
        // The last block failed only for fields that must differ: most
        // likely it lies in a run of one repeated entry that goes on.
        repeated_ = false;
        block_ = SkipRepeated(block_);
        if (block_ > last_) return false;
      }
      mask_ = block_ + 15 <= last_ ? BlockMask(block_) : TailMask(block_);
      base_ = block_;
      block_ += 16;
    }
    return true;
  }

  uint8_t At(int64_t pos, int distance) const {
    return image_[static_cast<size_t>(pos + distance)];
  }

  bool IsCandidate(int64_t pos) const {
    for (const ByteTest& test : tests_) {
      const uint8_t byte = At(pos, test.distance);
      if (byte < test.low || byte > test.high) return false;
    }
    for (const int pointer : pointers_)
      if (At(pos, pointer) != 0xFF ||
          (At(pos, pointer + 1) == 0xFF && At(pos, pointer + 2) == 0xFF))
        return false;
    for (const DifferTest& differ : differs_)
      if (At(pos, differ.first) == At(pos, differ.second) &&
          At(pos, differ.first + 1) == At(pos, differ.second + 1))
        return false;
    return true;
  }

  uint32_t TailMask(int64_t pos) const {
    uint32_t mask = 0;
    for (int k = 0; k < 16 && pos + k <= last_; ++k)
      if (IsCandidate(pos + k)) mask |= 1u << k;
    return mask;
  }

#ifdef ORLINDEL_HAVE_SSE2
  __m128i Load(int64_t pos, int distance) const {
    return _mm_loadu_si128(
        reinterpret_cast<const __m128i*>(image_.data() + pos + distance));
  }

  // 0xFF in every lane whose byte passes `test`.
  [[gnu::always_inline]] __m128i Passes(int64_t pos,
                                        const ByteTest& test) const {
    const __m128i bytes = Load(pos, test.distance);
    if (test.low == test.high)
      return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
    if (test.low == 0)
      return _mm_cmpeq_epi8(
          _mm_min_epu8(bytes, _mm_set1_epi8(static_cast<char>(test.high))),
          bytes);
    const __m128i above_low =
        _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
    const __m128i width =
        _mm_set1_epi8(static_cast<char>(test.high - test.low));
    return _mm_cmpeq_epi8(_mm_min_epu8(above_low, width), above_low);
  }

  // 0xFF in every lane where a CodePointer stands at `pointer`.
  [[gnu::always_inline]] __m128i PointerAt(int64_t pos, int pointer) const {
    const __m128i all_ones = _mm_set1_epi8(-1);
    const __m128i tagged = _mm_cmpeq_epi8(Load(pos, pointer), all_ones);
    const __m128i empty =
        _mm_and_si128(_mm_cmpeq_epi8(Load(pos, pointer + 1), all_ones),
                      _mm_cmpeq_epi8(Load(pos, pointer + 2), all_ones));
    return _mm_andnot_si128(empty, tagged);
  }

  [[gnu::always_inline]] uint32_t BlockMask(int64_t pos) {
    // A block that fails the first two tests is quiet: the next ones likely
    // fail too. The first CodePointer is tested next, so that erased flash
    // (FF everywhere) costs little more.
    __m128i passing = Passes(pos, tests_[0]);
    if constexpr (kTests > 1)
      passing = _mm_and_si128(passing, Passes(pos, tests_[1]));
    if (_mm_movemask_epi8(passing) == 0) {
      quiet_ = true;
      return 0;
    }
    if constexpr (kPointers > 0) {
      passing = _mm_and_si128(passing, PointerAt(pos, pointers_[0]));
      if (_mm_movemask_epi8(passing) == 0) {
        erased_ = true;
        return 0;
      }
    }
    // Fields that must differ come next: a run of one repeated entry passes
    // every shape test and fails only these, so it is rejected here at the
    // cost of one more comparison instead of all the others.
    for (const DifferTest& differ : differs_) {
      const __m128i same = _mm_and_si128(
          _mm_cmpeq_epi8(Load(pos, differ.first), Load(pos, differ.second)),
          _mm_cmpeq_epi8(Load(pos, differ.first + 1),
                         Load(pos, differ.second + 1)));
      passing = _mm_andnot_si128(same, passing);
    }
    if constexpr (kDiffers > 0)
      if (_mm_movemask_epi8(passing) == 0) {
        repeated_ = true;
        return 0;
      }
    for (size_t t = 2; t < kTests; ++t)
      passing = _mm_and_si128(passing, Passes(pos, tests_[t]));
    for (size_t p = 1; p < kPointers; ++p)
      passing = _mm_and_si128(passing, PointerAt(pos, pointers_[p]));
    return static_cast<uint32_t>(_mm_movemask_epi8(passing));
  }
#else
  uint32_t BlockMask(int64_t pos) const { return TailMask(pos); }
#endif

  // The first of pos, pos + 16, ... whose 16 positions hold one where the
  // first CodePointer and the two bytes after it are not all 0xFF, or whose
  // 16 positions reach past last_: the blocks skipped hold no candidate.
  int64_t SkipErased(int64_t pos) const {
#ifdef ORLINDEL_HAVE_SSE2
    if constexpr (kPointers > 0) {
      const int pointer = pointers_[0];
      for (; pos + 15 <= last_; pos += 16) {
        // Bytes pointer .. pointer + 17 from pos: those of all 16 positions.
        const __m128i erased = _mm_cmpeq_epi8(
            _mm_and_si128(Load(pos, pointer), Load(pos, pointer + 2)),
            _mm_set1_epi8(-1));
        if (_mm_movemask_epi8(erased) != 0xFFFF) break;
      }
    }
#endif
    return pos;
  }

  // The first of pos, pos + 16, ... whose 16 positions hold one where the
  // fields of the first differ test differ, or whose 16 positions reach past
  // last_: the blocks skipped hold no candidate.
  int64_t SkipRepeated(int64_t pos) const {
#ifdef ORLINDEL_HAVE_SSE2
    if constexpr (kDiffers > 0) {
      const DifferTest& differ = differs_[0];
      for (; pos + 15 <= last_; pos += 16) {
        const __m128i same = _mm_and_si128(
            _mm_cmpeq_epi8(Load(pos, differ.first), Load(pos, differ.second)),
            _mm_cmpeq_epi8(Load(pos, differ.first + 1),
                           Load(pos, differ.second + 1)));
        if (_mm_movemask_epi8(same) != 0xFFFF) break;
      }
    }
#endif
    return pos;
  }

  // The first of pos, pos + 32, ... whose 32 positions hold one that passes
  // the first two tests, or one whose 32 positions reach past last_.
  int64_t SkipQuiet(int64_t pos) const {
#ifdef ORLINDEL_HAVE_AVX2_SKIP
    if (avx2_) return SkipQuietAvx2(pos);
#endif
    return pos;
  }

#ifdef ORLINDEL_HAVE_AVX2_SKIP
  // 0xFF in every lane of the 32 bytes at `at` that lies in
  // [low, low + width].
  template <bool kEqual>
  [[gnu::target("avx2")]] static __m256i InRange32(const uint8_t* at,
                                                   __m256i low, __m256i width) {
    const __m256i bytes =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    if constexpr (kEqual) return _mm256_cmpeq_epi8(bytes, low);
    const __m256i above_low = _mm256_sub_epi8(bytes, low);
    return _mm256_cmpeq_epi8(_mm256_min_epu8(above_low, width), above_low);
  }

  template <bool kFirstEqual, bool kSecondEqual>
  [[gnu::target("avx2")]] int64_t SkipQuietAvx2(int64_t pos) const {
    const ByteTest& first = tests_[0];
    const ByteTest& second = tests_[kTests > 1 ? 1 : 0];
    const uint8_t* const first_at = image_.data() + first.distance;
    const uint8_t* const second_at = image_.data() + second.distance;
    const __m256i first_low = _mm256_set1_epi8(static_cast<char>(first.low));
    const __m256i first_width =
        _mm256_set1_epi8(static_cast<char>(first.high - first.low));
    const __m256i second_low = _mm256_set1_epi8(static_cast<char>(second.low));
    const __m256i second_width =
        _mm256_set1_epi8(static_cast<char>(second.high - second.low));
#define ORLINDEL_PASSING_32(at)                                        \
  _mm256_and_si256(                                                    \
      InRange32<kFirstEqual>(first_at + (at), first_low, first_width), \
      InRange32<kSecondEqual>(second_at + (at), second_low, second_width))
    for (; pos + 63 <= last_; pos += 64)
      if (_mm256_movemask_epi8(_mm256_or_si256(
              ORLINDEL_PASSING_32(pos), ORLINDEL_PASSING_32(pos + 32))) != 0)
        return pos;
    for (; pos + 31 <= last_; pos += 32)
      if (_mm256_movemask_epi8(ORLINDEL_PASSING_32(pos)) != 0) return pos;
#undef ORLINDEL_PASSING_32
    return pos;
  }

  int64_t SkipQuietAvx2(int64_t pos) const {
    const bool first_equal = tests_[0].low == tests_[0].high;
    const bool second_equal =
        tests_[kTests > 1 ? 1 : 0].low == tests_[kTests > 1 ? 1 : 0].high;
    if (first_equal && second_equal) return SkipQuietAvx2<true, true>(pos);
    if (first_equal) return SkipQuietAvx2<true, false>(pos);
    if (second_equal) return SkipQuietAvx2<false, true>(pos);
    return SkipQuietAvx2<false, false>(pos);
  }

  bool avx2_ = kSkip == QuietSkip::kWidestAvailable && ProcessorHasAvx2();
#endif

  ImageView image_;
  int64_t last_;
  std::array<ByteTest, kTests> tests_;
  std::array<int, kPointers> pointers_;
  std::array<DifferTest, kDiffers> differs_;
  int64_t block_;
  int64_t base_ = 0;
  uint32_t mask_ = 0;
  // The last block failed the first two tests.
  bool quiet_ = false;
  // The last block failed for its first CodePointer alone.
  bool erased_ = false;
  // The last block failed the tests of fields that must differ alone.
  bool repeated_ = false;
};

}  // namespace orlindel
