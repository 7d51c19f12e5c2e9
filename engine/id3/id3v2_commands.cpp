// ID3v2 commands.
#include "core/command.h"

namespace tolvo::engine {
std::span<const Command> Id3v2Commands() { return {}; }
}  // namespace tolvo::engine
