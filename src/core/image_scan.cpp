#include "core/image_scan.h"

#include <algorithm>

namespace orlindel {

namespace {

constexpr int64_t kStretch = 64;
// The widest distance a lead test reads at, plus one.
constexpr int64_t kReach = [] {
  int distance = 0;
  for (const auto& tests :
       {kWindowListLeadTests, kOsdListLeadTests, kPsbCallLeadTests})
    for (const ByteTest& test : tests) distance = std::max(distance, test.distance);
  return distance + 1;
}();

#ifdef ORLINDEL_HAVE_SSE2
// 0xFF in every lane whose byte at `at` + the test's distance passes it.
[[gnu::always_inline]] inline __m128i Passes16(const uint8_t* at,
                                                const ByteTest& test) {
  const __m128i bytes = _mm_loadu_si128(
      reinterpret_cast<const __m128i*>(at + test.distance));
  if (test.low == test.high)
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
  const __m128i above_low =
      _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(test.low)));
  const __m128i width = _mm_set1_epi8(static_cast<char>(test.high - test.low));
  return _mm_cmpeq_epi8(_mm_min_epu8(above_low, width), above_low);
}

[[gnu::always_inline]] inline __m128i Both16(
    const uint8_t* at, const std::array<ByteTest, 2>& tests) {
  return _mm_and_si128(Passes16(at, tests[0]), Passes16(at, tests[1]));
}

// Bit k of each word: whether stretch `first` + k holds a passing position;
// the stretches lie wholly inside the data.
void MarkStretchesSse2(const uint8_t* data, int64_t first, int64_t count,
                       uint64_t& window_list, uint64_t& osd_list,
                       uint64_t& psb_calls) {
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* at = data + (first + k) * kStretch;
    __m128i w = _mm_setzero_si128(), o = w, p = w;
    for (int64_t half = 0; half < kStretch; half += 16) {
      w = _mm_or_si128(w, Both16(at + half, kWindowListLeadTests));
      o = _mm_or_si128(o, Both16(at + half, kOsdListLeadTests));
      p = _mm_or_si128(p, Both16(at + half, kPsbCallLeadTests));
    }
    window_list |= uint64_t{_mm_movemask_epi8(w) != 0} << k;
    osd_list |= uint64_t{_mm_movemask_epi8(o) != 0} << k;
    psb_calls |= uint64_t{_mm_movemask_epi8(p) != 0} << k;
  }
}
#endif

#ifdef ORLINDEL_HAVE_AVX2_SKIP
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Passes32(
    const uint8_t* at, const ByteTest& test) {
  const __m256i bytes = _mm256_loadu_si256(
      reinterpret_cast<const __m256i*>(at + test.distance));
  if (test.low == test.high)
    return _mm256_cmpeq_epi8(bytes,
                             _mm256_set1_epi8(static_cast<char>(test.low)));
  const __m256i above_low =
      _mm256_sub_epi8(bytes, _mm256_set1_epi8(static_cast<char>(test.low)));
  const __m256i width =
      _mm256_set1_epi8(static_cast<char>(test.high - test.low));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(above_low, width), above_low);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Both32(
    const uint8_t* at, const std::array<ByteTest, 2>& tests) {
  return _mm256_and_si256(Passes32(at, tests[0]), Passes32(at, tests[1]));
}

[[gnu::target("avx2")]] void MarkStretchesAvx2(const uint8_t* data,
                                               int64_t first, int64_t count,
                                               uint64_t& window_list,
                                               uint64_t& osd_list,
                                               uint64_t& psb_calls) {
  uint64_t w_bits = 0, o_bits = 0, p_bits = 0;
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* at = data + (first + k) * kStretch;
    const __m256i w = _mm256_or_si256(Both32(at, kWindowListLeadTests),
                                      Both32(at + 32, kWindowListLeadTests));
    const __m256i o = _mm256_or_si256(Both32(at, kOsdListLeadTests),
                                      Both32(at + 32, kOsdListLeadTests));
    const __m256i p = _mm256_or_si256(Both32(at, kPsbCallLeadTests),
                                      Both32(at + 32, kPsbCallLeadTests));
    w_bits |= uint64_t{_mm256_movemask_epi8(w) != 0} << k;
    o_bits |= uint64_t{_mm256_movemask_epi8(o) != 0} << k;
    p_bits |= uint64_t{_mm256_movemask_epi8(p) != 0} << k;
  }
  window_list |= w_bits;
  osd_list |= o_bits;
  psb_calls |= p_bits;
}
#endif

}  // namespace

ImageScan::ImageScan(ImageView image) {
  window_list_.tests = kWindowListLeadTests;
  osd_list_.tests = kOsdListLeadTests;
  psb_calls_.tests = kPsbCallLeadTests;
#ifdef ORLINDEL_HAVE_SSE2
  const auto size = static_cast<int64_t>(image.size());
  const int64_t stretches = (size + kStretch - 1) / kStretch;
  const auto word_count = static_cast<size_t>((stretches + 63) / 64);
  // Stretches whose tested bytes do not all lie inside the image are marked
  // as holding a candidate: their scan tests them one by one.
  const int64_t whole = size < kReach ? 0 : (size - kReach + 1) / kStretch;
  window_list_.words.assign(word_count, ~uint64_t{0});
  osd_list_.words.assign(word_count, ~uint64_t{0});
  psb_calls_.words.assign(word_count, ~uint64_t{0});
#ifdef ORLINDEL_HAVE_AVX2_SKIP
  const bool avx2 = ProcessorHasAvx2();
#endif
  for (int64_t first = 0; first < whole; first += 64) {
    const auto w = static_cast<size_t>(first / 64);
    const int64_t count = std::min<int64_t>(64, whole - first);
    // The bits of the stretches marked here start clear.
    const uint64_t marked =
        count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
    window_list_.words[w] &= ~marked;
    osd_list_.words[w] &= ~marked;
    psb_calls_.words[w] &= ~marked;
#ifdef ORLINDEL_HAVE_AVX2_SKIP
    if (avx2) {
      MarkStretchesAvx2(image.data(), first, count, window_list_.words[w],
                        osd_list_.words[w], psb_calls_.words[w]);
      continue;
    }
#endif
    MarkStretchesSse2(image.data(), first, count, window_list_.words[w],
                      osd_list_.words[w], psb_calls_.words[w]);
  }
#else
  (void)image;
#endif
}

}  // namespace orlindel
