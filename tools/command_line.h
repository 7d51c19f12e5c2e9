// Parsing of a command's arguments: long options with or without a value ("--bitrate 192",
// "--bitrate=192"), short aliases with the value apart or attached ("-j 2", "-j2"), "--" to end
// the options, and positional arguments. --help/-h, --quiet/-q and --verbose/-v are understood
// by every command.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tolvo::tool {

struct OptionRule {
  const char* name;  // "--bitrate"
  bool takesValue;
  const char* alias = "";  // "-j", or "" for none
};

struct ParsedArguments {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> values;  // options given, by long name; flags map to ""
  bool help = false;                          // --help or -h was given
  bool quiet = false;                         // --quiet or -q: errors only
  bool verbose = false;                       // --verbose or -v: say more

  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

// nullopt with *error set for an unknown option or a missing value. A repeated option keeps
// its last value.
std::optional<ParsedArguments> ParseArguments(std::span<const std::string> arguments,
                                              std::span<const OptionRule> options,
                                              std::string* error);

// A whole decimal number in [minimum, maximum]; nullopt for anything else.
std::optional<int> ParseNumber(const std::string& text, int minimum, int maximum);

}  // namespace tolvo::tool
