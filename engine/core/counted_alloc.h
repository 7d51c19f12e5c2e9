// Counted allocation of the tag code's blocks: liveBlocks tells how many are alive, so a leak on
// any path of the tag code shows as a non-zero count after the release of the field set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tolvo::engine {

void* CountedAlloc(size_t size);  // zeroed block; null when none can be had
void CountedFree(void* block);    // null is accepted and not counted
int32_t LiveBlocks();

struct CountedDeleter {
  void operator()(void* block) const { CountedFree(block); }
};
// A counted block with one owner.
using CountedBlock = std::unique_ptr<char[], CountedDeleter>;
inline CountedBlock MakeCountedBlock(size_t size) {
  return CountedBlock(static_cast<char*>(CountedAlloc(size)));
}

}  // namespace tolvo::engine
