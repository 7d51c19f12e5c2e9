// The engine's single entry point: a command text and three arguments, a 32-bit result.
// Commands match exactly and case-sensitively; one that matches nothing returns 0.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <span>

#include "core/command.h"
#include "core/engine_state.h"

namespace {

using tolvo::engine::Command;

const Command* Find(std::span<const Command> table, const char* command) {
  for (const Command& entry : table) {
    if (std::strcmp(entry.name, command) == 0) return &entry;
  }
  return nullptr;
}

int32_t Dispatch(const char* command, intptr_t a1, intptr_t a2, intptr_t a3) {
  using namespace tolvo::engine;
  if (!command) return 0;
  // Job commands run at once (a "cancel" must never wait for a tag rewrite), except the one that
  // changes the temporary folder the tag commands use.
  if (const Command* entry = Find(JobCommands(), command)) {
    if (std::strcmp(command, commands::kDefineTempFolder) != 0) return entry->handler(a1, a2, a3);
    std::lock_guard<std::mutex> turn(State().tagCommands);
    return entry->handler(a1, a2, a3);
  }
  for (auto table : {Id3v1Commands(), Id3v2Commands()}) {
    if (const Command* entry = Find(table, command)) {
      std::lock_guard<std::mutex> turn(State().tagCommands);
      return entry->handler(a1, a2, a3);
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
