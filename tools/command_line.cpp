// The option parser shared by every tolvo command.
#include "command_line.h"

#include <charconv>

namespace tolvo::tool {

std::string ParsedArguments::Value(const std::string& name, const std::string& fallback) const {
  auto found = values.find(name);
  return found == values.end() ? fallback : found->second;
}

std::optional<ParsedArguments> ParseArguments(std::span<const std::string> arguments,
                                              std::span<const OptionRule> options,
                                              std::string* error) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      parsed.positionals.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
      continue;
    }
    if (argument == "--quiet" || argument == "-q") {
      parsed.quiet = true;
      parsed.verbose = false;
      continue;
    }
    if (argument == "--verbose" || argument == "-v") {
      parsed.verbose = true;
      parsed.quiet = false;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> inlineValue;
    if (size_t equals = argument.find('=');
        argument.starts_with("--") && equals != std::string::npos) {
      name = argument.substr(0, equals);
      inlineValue = argument.substr(equals + 1);
    }
    const OptionRule* rule = nullptr;
    for (const OptionRule& option : options) {
      if (name == option.name || (option.alias[0] != '\0' && name == option.alias)) rule = &option;
    }
    // A short alias that takes a value may carry it attached: "-j2".
    if (!rule && !argument.starts_with("--")) {
      for (const OptionRule& option : options) {
        std::string alias = option.alias;
        if (option.takesValue && alias.size() == 2 && argument.starts_with(alias)) {
          rule = &option;
          inlineValue = argument.substr(2);
        }
      }
    }
    if (!rule) {
      *error = "unknown option '" + name + "'";
      return std::nullopt;
    }
    if (!rule->takesValue) {
      if (inlineValue) {
        *error = "option '" + std::string(rule->name) + "' takes no value";
        return std::nullopt;
      }
      parsed.values[rule->name] = "";
      continue;
    }
    if (inlineValue) {
      parsed.values[rule->name] = *inlineValue;
    } else if (i + 1 < arguments.size()) {
      parsed.values[rule->name] = arguments[++i];
    } else {
      *error = "option '" + std::string(rule->name) + "' wants a value";
      return std::nullopt;
    }
  }
  return parsed;
}

std::optional<int> ParseNumber(const std::string& text, int minimum, int maximum) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, failure] = std::from_chars(text.data(), end, value);
  if (text.empty() || failure != std::errc() || stop != end) return std::nullopt;
  if (value < minimum || value > maximum) return std::nullopt;
  return value;
}

}  // namespace tolvo::tool
