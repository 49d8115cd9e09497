#include "orvane/hexview/ByteBuffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace orvane::hexview {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

} // namespace

void *allocateByteBlock(std::size_t bytes) {
  if (bytes < kHugePage)
    return ::operator new(bytes);
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void *block = std::aligned_alloc(kHugePage, rounded);
  if (!block)
    throw std::bad_alloc();
  // Only advice: without huge pages the block works the same, more slowly.
  madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

void freeByteBlock(void *block, std::size_t bytes) {
  if (bytes < kHugePage)
    ::operator delete(block);
  else
    std::free(block);
}

} // namespace orvane::hexview
