// A stand-in engine library that loads but does not export interface1.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t interface2(const char*, intptr_t,
                                                                     intptr_t, intptr_t) {
  return 0;
}
