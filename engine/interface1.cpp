// The engine's single entry point: a command text and three arguments, a 32-bit result.
// Commands match exactly and case-sensitively; one that matches nothing returns 0.
#include <cstdint>
#include <cstring>

#include "core/command.h"

namespace {

int32_t Dispatch(const char* command, intptr_t a1, intptr_t a2, intptr_t a3) {
  using namespace tolvo::engine;
  if (!command) return 0;
  for (auto table : {JobCommands(), Id3v1Commands(), Id3v2Commands()}) {
    for (const Command& entry : table) {
      if (std::strcmp(entry.name, command) == 0) return entry.handler(a1, a2, a3);
    }
  }
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t interface1(const char* command,
                                                                     intptr_t a1, intptr_t a2,
                                                                     intptr_t a3) {
  return Dispatch(command, a1, a2, a3);
}
