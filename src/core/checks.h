// One-line checked helpers: every range and overflow test of the core goes
// through these, so each check is visible at a glance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <type_traits>
#include <utility>

#include "core/errors.h"

namespace orlindel {

// The analysis routines address at most 10 MiB of the image.
inline constexpr int64_t kAnalysisLimit = 0x9FFFFF;

// Throws RangeError unless `offset` lies within 0..kAnalysisLimit.
inline void CheckAnalysisOffset(int64_t offset) {
  if (offset < 0 || offset > kAnalysisLimit) throw RangeError();
}

// The byte at `offset`; RangeError when it lies outside `bytes`.
inline uint8_t ByteAt(std::span<const uint8_t> bytes, int64_t offset) {
  if (offset < 0 || static_cast<uint64_t>(offset) >= bytes.size())
    throw RangeError();
  return bytes[static_cast<size_t>(offset)];
}

// True when `count` bytes from `offset` lie wholly inside `bytes`.
inline bool FitsInside(std::span<const uint8_t> bytes, int64_t offset,
                       int64_t count) {
  return offset >= 0 && count >= 0 &&
         static_cast<uint64_t>(offset) <= bytes.size() &&
         static_cast<uint64_t>(count) <=
             bytes.size() - static_cast<uint64_t>(offset);
}

// Throws RangeError unless `count` bytes from `offset` lie wholly inside
// `bytes`.
inline void CheckFits(std::span<const uint8_t> bytes, int64_t offset,
                      int64_t count) {
  if (!FitsInside(bytes, offset, count)) throw RangeError();
}

// Throws RangeError unless `value` lies within `low`..`high`.
inline void CheckInRange(int64_t value, int64_t low, int64_t high) {
  if (value < low || value > high) throw RangeError();
}

// Throws RangeError unless `index` lies within 0..count-1.
inline void CheckIndex(int64_t index, int64_t count) {
  if (index < 0 || index >= count) throw RangeError();
}

// `value` converted to T; RangeError when it does not fit.
template <typename T, typename V>
T NarrowTo(V value) {
  static_assert(std::is_integral_v<T> && std::is_integral_v<V>);
  if (!std::in_range<T>(value)) throw RangeError();
  return static_cast<T>(value);
}

// a + b; OverflowError when the sum does not fit T.
template <typename T>
T CheckedAdd(T a, T b) {
  T sum;
  if (__builtin_add_overflow(a, b, &sum)) throw OverflowError();
  return sum;
}

// value + 1; OverflowError at the top of T's range.
template <typename T>
T CheckedIncrement(T value) {
  if (value == std::numeric_limits<T>::max()) throw OverflowError();
  return static_cast<T>(value + 1);
}

}  // namespace orlindel
