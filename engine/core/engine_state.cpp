// The engine's single EngineState and the path field copy rule.
#include "core/engine_state.h"

#include <cstring>

namespace tolvo::engine {

EngineState& State() {
  static EngineState state;
  return state;
}

void CopyPathField(char (&field)[kPathFieldSize], const char* text) {
  size_t length = text ? std::strlen(text) : 0;
  if (length >= kPathFieldSize) length = 0;
  if (length > 0) std::memcpy(field, text, length);
  field[length] = '\0';
}

}  // namespace tolvo::engine
