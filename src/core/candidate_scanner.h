// Finds the positions where a table can start: CodePointers (a tag 0xFF not
// followed by FF FF) at fixed distances from the position and, optionally,
// count bytes below 0x80. Sixteen positions are tested at once where the
// processor offers SSE2.
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

template <size_t kPointers, size_t kCounts>
class CandidateScanner {
 public:
  // Positions up to `last` are examined; every byte up to `last` + 15 +
  // the largest pointer distance + 2 must lie inside `image`.
  CandidateScanner(ImageView image, int64_t last,
                   const std::array<int, kPointers>& pointers,
                   const std::array<int, kCounts>& counts)
      : image_(image), last_(last), pointers_(pointers), counts_(counts) {}

  // The next candidate in ascending order, or -1 when there is none left.
  int64_t Next() {
    while (mask_ == 0) {
      if (block_ > last_) return -1;
      mask_ = block_ + 15 <= last_ ? BlockMask(block_) : TailMask(block_);
      base_ = block_;
      block_ += 16;
    }
    const int bit = std::countr_zero(mask_);
    mask_ &= mask_ - 1;
    return base_ + bit;
  }

 private:
  bool IsCandidate(int64_t pos) const {
    for (const int pointer : pointers_) {
      const auto at = static_cast<size_t>(pos + pointer);
      if (image_[at] != 0xFF ||
          (image_[at + 1] == 0xFF && image_[at + 2] == 0xFF))
        return false;
    }
    for (const int count : counts_)
      if (image_[static_cast<size_t>(pos + count)] >= 0x80) return false;
    return true;
  }

  uint32_t TailMask(int64_t pos) const {
    uint32_t mask = 0;
    for (int k = 0; k < 16 && pos + k <= last_; ++k)
      if (IsCandidate(pos + k)) mask |= 1u << k;
    return mask;
  }

  // Bit k set: position pos + k is a candidate, for k = 0..15.
  uint32_t BlockMask(int64_t pos) const {
#ifdef ORLINDEL_HAVE_SSE2
    const auto is_ff = [&](int distance) {
      return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                image_.data() + pos + distance)),
                            _mm_set1_epi8(-1));
    };
    __m128i tagged = _mm_set1_epi8(-1);
    __m128i empty = _mm_setzero_si128();
    for (const int pointer : pointers_) {
      tagged = _mm_and_si128(tagged, is_ff(pointer));
      empty = _mm_or_si128(
          empty, _mm_and_si128(is_ff(pointer + 1), is_ff(pointer + 2)));
    }
    __m128i high = _mm_setzero_si128();
    for (const int count : counts_)
      high =
          _mm_or_si128(high, _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                 image_.data() + pos + count)));
    return static_cast<uint32_t>(_mm_movemask_epi8(tagged)) &
           ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(empty, high)));
#else
    return TailMask(pos);
#endif
  }

  ImageView image_;
  int64_t last_;
  std::array<int, kPointers> pointers_;
  std::array<int, kCounts> counts_;
  int64_t block_ = 0;
  int64_t base_ = 0;
  uint32_t mask_ = 0;
};

}  // namespace orlindel
