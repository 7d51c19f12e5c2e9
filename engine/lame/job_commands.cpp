// Settings, job and state commands.
#include "core/command.h"

namespace tolvo::engine {
std::span<const Command> JobCommands() { return {}; }
}  // namespace tolvo::engine
