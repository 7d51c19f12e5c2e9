// Fuzz target of the shared WAV chunk walk: any bytes, walked as a whole file and as the first
// bytes of a longer one, classified and described. Traps when the samples found lie outside the
// file or a description is empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tolvo/wav/chunk_walk.h"
#include "tolvo/wav/wav_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvo::wav;
  for (uint64_t fileSize : {uint64_t{size}, uint64_t{size} + 1000000}) {
    MemorySource source(data, size);
    const WavLayout layout = WalkWav(source, fileSize);
    if (layout.hasData &&
        (layout.dataOffset > fileSize || layout.dataBytes > fileSize - layout.dataOffset)) {
      std::abort();
    }
    if (DescribeWav(layout).empty()) std::abort();
    if (IsEncodableAsIs(layout) && layout.container != Container::kRiff) std::abort();
    (void)ConversionProblem(layout);
  }
  return 0;
}
