// Finds the positions where a table can start: tag bytes 0xFF at fixed
// distances from the position and, optionally, count bytes below 0x80.
// Sixteen positions are tested at once where the processor offers SSE2.
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

template <size_t kTags, size_t kCounts>
class CandidateScanner {
 public:
  // Positions up to `last` are examined; every byte at a position up to
  // `last` + 15 + the largest distance must lie inside `image`.
  CandidateScanner(ImageView image, int64_t last,
                   const std::array<int, kTags>& tags,
                   const std::array<int, kCounts>& counts)
      : image_(image), last_(last), tags_(tags), counts_(counts) {}

  // The first candidate at or after `from`, or -1.
  int64_t Next(int64_t from) const {
    int64_t pos = from < 0 ? 0 : from;
    for (; pos + 15 <= last_; pos += 16) {
      const uint32_t mask = BlockMask(pos);
      if (mask != 0) return pos + std::countr_zero(mask);
    }
    for (; pos <= last_; ++pos)
      if (IsCandidate(pos)) return pos;
    return -1;
  }

 private:
  bool IsCandidate(int64_t pos) const {
    for (const int tag : tags_)
      if (image_[static_cast<size_t>(pos + tag)] != 0xFF) return false;
    for (const int count : counts_)
      if (image_[static_cast<size_t>(pos + count)] >= 0x80) return false;
    return true;
  }

  // Bit k set: position pos + k is a candidate, for k = 0..15.
  uint32_t BlockMask(int64_t pos) const {
#ifdef ORLINDEL_HAVE_SSE2
    const auto load = [&](int distance) {
      return _mm_loadu_si128(
          reinterpret_cast<const __m128i*>(image_.data() + pos + distance));
    };
    const __m128i all_ones = _mm_set1_epi8(-1);
    __m128i tagged = all_ones;
    for (const int tag : tags_)
      tagged = _mm_and_si128(tagged, _mm_cmpeq_epi8(load(tag), all_ones));
    uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(tagged));
    __m128i high = _mm_setzero_si128();
    for (const int count : counts_) high = _mm_or_si128(high, load(count));
    return mask & ~static_cast<uint32_t>(_mm_movemask_epi8(high));
#else
    uint32_t mask = 0;
    for (int k = 0; k < 16; ++k)
      if (IsCandidate(pos + k)) mask |= 1u << k;
    return mask;
#endif
  }

  ImageView image_;
  int64_t last_;
  std::array<int, kTags> tags_;
  std::array<int, kCounts> counts_;
};

}  // namespace orlindel
