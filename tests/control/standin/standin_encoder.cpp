// A stand-in for the encoder library: the engine host only loads it by full path and keeps it.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t beVersionStandIn() { return 1; }
