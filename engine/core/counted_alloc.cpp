// The counter behind CountedAlloc and CountedFree.
#include "core/counted_alloc.h"

#include <atomic>
#include <cstdlib>

namespace tolvo::engine {
namespace {
std::atomic<int32_t> liveBlocks{0};
}

void* CountedAlloc(size_t size) {
  void* block = std::calloc(size == 0 ? 1 : size, 1);
  if (block) liveBlocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void CountedFree(void* block) {
  if (!block) return;
  std::free(block);
  liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

int32_t LiveBlocks() { return liveBlocks.load(std::memory_order_relaxed); }

}  // namespace tolvo::engine
