// The buffer a whole file is read into: the bytes of an opened image or
// patch, as they lie in the file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace orlindel::io {

// Allocates as std::allocator does, but leaves a byte that is created
// without a value as the memory holds it: a buffer sized for a read that
// fills it completely is then not first filled with zeros, a pass over the
// whole image saved, and its pages are first touched by the read itself.
// Every byte created with a value gets it, so `FileBytes(n, 0)` and
// `resize(n, 0)` give zeros.
template <class T>
struct ReadBufferAllocator : std::allocator<T> {
  using value_type = T;
  ReadBufferAllocator() noexcept = default;
  template <class U>
  ReadBufferAllocator(const ReadBufferAllocator<U>&) noexcept {}

  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

using FileBytes = std::vector<uint8_t, ReadBufferAllocator<uint8_t>>;

// Bytes read from a file equal a byte vector that holds the same bytes.
inline bool operator==(const FileBytes& read,
                       const std::vector<uint8_t>& bytes) {
  return std::equal(read.begin(), read.end(), bytes.begin(), bytes.end());
}

}  // namespace orlindel::io
