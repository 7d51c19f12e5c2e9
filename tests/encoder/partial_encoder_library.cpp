// A library with the encoder's SONAME that lacks all but one of its functions, so that the
// engine's binding meets a library it can load but not bind.
#include "tolvo/encoder/be_stream.h"

extern "C" __attribute__((visibility("default"))) tolvo::encoder::BeStatus beInitStream(
    const tolvo::encoder::BeConfig*, uint32_t*, uint32_t*, tolvo::encoder::BeStream*) {
  return 1;
}
