// Finds, in ascending order, the positions where every byte at a set of
// fixed distances lies in its range and, optionally, CodePointers stand at
// given distances (a tag 0xFF not followed by FF FF) and, optionally, the
// 16-bit fields at two distances differ: the places where a table or a code
// pattern can start. Sixteen positions are tested at once
// where the processor offers SSE2; the first two byte tests are tried first
// on every block, so callers list the rarest conditions first.
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

namespace orlindel {

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

template <size_t kTests, size_t kPointers = 0, size_t kDiffers = 0>
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
  int64_t Next() {
    while (mask_ == 0) {
      if (block_ > last_) return -1;
      mask_ = block_ + 15 <= last_ ? BlockMask(block_) : TailMask(block_);
      if (mask_ != 0 && dropped_ != 0) mask_ &= ~DroppedIn(block_);
      base_ = block_;
      block_ += 16;
    }
    const int bit = std::countr_zero(mask_);
    mask_ &= mask_ - 1;
    return base_ + bit;
  }

  // Leaves out position `pos`, which lies after the last candidate returned
  // and less than 16 positions after it, should it be a candidate: the
  // caller knows it fails. A left-out position may still be returned when
  // many are left out at once.
  void Drop(int64_t pos) {
    if (pos < block_) {
      mask_ &= ~(1u << (pos - base_));
    } else if (dropped_ != 0 && pos - drop_base_ < 64) {
      dropped_ |= uint64_t{1} << (pos - drop_base_);
    } else {
      drop_base_ = pos;
      dropped_ = 1;
    }
  }

 private:
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

  // The left-out positions among pos .. pos + 15, one bit each.
  uint32_t DroppedIn(int64_t pos) const {
    const int64_t shift = pos - drop_base_;
    if (shift <= -16 || shift >= 64) return 0;
    const uint64_t bits = shift >= 0 ? dropped_ >> shift : dropped_ << -shift;
    return static_cast<uint32_t>(bits & 0xFFFF);
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
  __m128i Passes(int64_t pos, const ByteTest& test) const {
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

  uint32_t BlockMask(int64_t pos) const {
    __m128i passing = Passes(pos, tests_[0]);
    if constexpr (kTests > 1)
      passing = _mm_and_si128(passing, Passes(pos, tests_[1]));
    if (_mm_movemask_epi8(passing) == 0) return 0;
    for (size_t t = 2; t < kTests; ++t)
      passing = _mm_and_si128(passing, Passes(pos, tests_[t]));
    const __m128i all_ones = _mm_set1_epi8(-1);
    for (const int pointer : pointers_) {
      const __m128i tagged = _mm_cmpeq_epi8(Load(pos, pointer), all_ones);
      const __m128i empty =
          _mm_and_si128(_mm_cmpeq_epi8(Load(pos, pointer + 1), all_ones),
                        _mm_cmpeq_epi8(Load(pos, pointer + 2), all_ones));
      passing = _mm_and_si128(passing, _mm_andnot_si128(empty, tagged));
    }
    for (const DifferTest& differ : differs_) {
      const __m128i same = _mm_and_si128(
          _mm_cmpeq_epi8(Load(pos, differ.first), Load(pos, differ.second)),
          _mm_cmpeq_epi8(Load(pos, differ.first + 1),
                         Load(pos, differ.second + 1)));
      passing = _mm_andnot_si128(same, passing);
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(passing));
  }
#else
  uint32_t BlockMask(int64_t pos) const { return TailMask(pos); }
#endif

  ImageView image_;
  int64_t last_;
  std::array<ByteTest, kTests> tests_;
  std::array<int, kPointers> pointers_;
  std::array<DifferTest, kDiffers> differs_;
  int64_t block_;
  int64_t base_ = 0;
  uint32_t mask_ = 0;
  // Positions left out by Drop: bit k stands for drop_base_ + k.
  int64_t drop_base_ = 0;
  uint64_t dropped_ = 0;
};

}  // namespace orlindel
