#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace orvane::hexview {

// Raw storage behind ByteBlockAllocator.
void *allocateByteBlock(std::size_t bytes);
void freeByteBlock(void *block, std::size_t bytes);

// Allocator for large byte blocks: growing leaves new bytes uninitialised
// (a load overwrites them at once, so zeroing would be a wasted pass over
// the data) and blocks of megabytes ask the system for huge pages, which
// makes touching a fresh block of hundreds of megabytes several times
// faster.
template <typename T>
class ByteBlockAllocator {
public:
  using value_type = T;

  ByteBlockAllocator() = default;
  template <typename U>
  ByteBlockAllocator(const ByteBlockAllocator<U> &) {}

  T *allocate(std::size_t count) { return static_cast<T *>(allocateByteBlock(count * sizeof(T))); }
  void deallocate(T *block, std::size_t count) { freeByteBlock(block, count * sizeof(T)); }

  // Default-initialisation: no value is written.
  template <typename U>
  void construct(U *at) {
    ::new (static_cast<void *>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U *at, Args &&...args) {
    ::new (static_cast<void *>(at)) U(static_cast<Args &&>(args)...);
  }

  friend bool operator==(const ByteBlockAllocator &, const ByteBlockAllocator &) { return true; }
};

using ByteBuffer = std::vector<std::uint8_t, ByteBlockAllocator<std::uint8_t>>;

} // namespace orvane::hexview
