// A named command of interface1 and the argument readings it uses. Each module of the engine
// publishes its table; the dispatcher matches names exactly, terminating zero included.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "tolvo/engine/interface1.h"

namespace tolvo::engine {

using CommandHandler = int32_t (*)(intptr_t a1, intptr_t a2, intptr_t a3);

struct Command {
  const char* name;  // one of the vocabulary's commands (tolvo/engine/interface1.h)
  CommandHandler handler;
};

// An argument read as a number: its low 32 bits.
inline int32_t AsNumber(intptr_t arg) { return static_cast<int32_t>(arg); }
// An argument read as an input text; a null pointer reads as the empty text.
inline const char* AsText(intptr_t arg) {
  const char* text = reinterpret_cast<const char*>(arg);
  return text ? text : "";
}
// An argument read as a caller's output buffer; null when the caller passed none.
inline char* AsBuffer(intptr_t arg) { return reinterpret_cast<char*>(arg); }
// Copies a text with its zero into a caller's buffer; a null buffer receives nothing.
inline void CopyOut(intptr_t buffer, const char* text) {
  char* out = AsBuffer(buffer);
  if (out) std::memcpy(out, text, std::strlen(text) + 1);
}

// Tables of the engine's modules.
std::span<const Command> JobCommands();    // settings, job, state, pause, resume, cancel, paths
std::span<const Command> Id3v1Commands();  // ID3v1 file and field commands, genre names
std::span<const Command> Id3v2Commands();  // ID3v2 file, field and release commands

}  // namespace tolvo::engine
