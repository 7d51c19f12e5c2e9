// ID3v1 commands.
#include "core/command.h"

namespace tolvo::engine {
std::span<const Command> Id3v1Commands() { return {}; }
}  // namespace tolvo::engine
