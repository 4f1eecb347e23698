// The buffer a whole file is read into: the bytes of an opened image or
// patch, as they lie in the file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "core/io/memory_advice.h"

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

  // A buffer of a large page or more starts on a large-page boundary and is
  // advised for large pages before anything touches it, so that the system
  // can back all of it with them: a 10 MiB image, read from its file or
  // copied as the file as opened, then takes a handful of page faults
  // instead of thousands. The block around it is an ordinary one, which the
  // heap hands out again to the next image of that size without new page
  // faults; its address is kept just before the buffer.
  T* allocate(size_t count) {
    const size_t bytes = count * sizeof(T);
    if (bytes < kLargePageSize) return std::allocator<T>::allocate(count);
    size_t room = bytes + kLargePageSize;
    void* const block = ::operator new(room + sizeof(void*));
    void* start = static_cast<char*>(block) + sizeof(void*);
    std::align(kLargePageSize, bytes, start, room);
    std::memcpy(static_cast<char*>(start) - sizeof(void*), &block,
                sizeof block);
    AdviseLargePages(start, bytes);
    return static_cast<T*>(start);
  }
  void deallocate(T* at, size_t count) noexcept {
    if (count * sizeof(T) < kLargePageSize)
      return std::allocator<T>::deallocate(at, count);
    void* block;
    std::memcpy(&block, reinterpret_cast<char*>(at) - sizeof(void*),
                sizeof block);
    ::operator delete(block);
  }

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
