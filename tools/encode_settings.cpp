// Option table and value checks of the encode settings.
#include "encode_settings.h"

#include <algorithm>
#include <array>

namespace tolvo::tool {
namespace {

// The bitrates the encode job accepts, in kbit/s; anything else ends a job with an empty output
// file, so it is refused here instead.
constexpr std::array kAllowedBitrates = {32,  40,  48,  56,  64,  80,  96,
                                         112, 128, 160, 192, 224, 256, 320};
constexpr std::array<const char*, 4> kModes = {"stereo", "joint", "dual", "mono"};
constexpr std::array<const char*, 3> kQualities = {"normal", "low", "high"};

constexpr OptionRule kOptions[] = {
    {"--bitrate", true}, {"--mode", true},     {"--quality", true},    {"--vbr", false},
    {"--vbr-max", true}, {"--priority", true}, {"--jobs", true, "-j"}, {"--out-dir", true},
};

bool ReadBitrate(const ParsedArguments& a, const char* name, int* value, std::string* error) {
  if (!a.Has(name)) return true;
  std::optional<int> number = ParseNumber(a.Value(name), 1, 100000);
  if (!number || std::find(kAllowedBitrates.begin(), kAllowedBitrates.end(), *number) ==
                     kAllowedBitrates.end()) {
    *error = std::string(name) +
             " must be one of 32 40 48 56 64 80 96 112 128 160 192 224 256 320, not '" +
             a.Value(name) + "'";
    return false;
  }
  *value = *number;
  return true;
}

template <size_t N>
bool ReadChoice(const ParsedArguments& a, const char* name,
                const std::array<const char*, N>& choices, std::string* value, std::string* error) {
  if (!a.Has(name)) return true;
  std::string given = a.Value(name);
  for (const char* choice : choices) {
    if (given == choice) {
      *value = given;
      return true;
    }
  }
  std::string list;
  for (const char* choice : choices) list += (list.empty() ? "" : "|") + std::string(choice);
  *error = std::string(name) + " must be " + list + ", not '" + given + "'";
  return false;
}

}  // namespace

std::span<const OptionRule> EncodeOptions() { return kOptions; }

bool ReadEncodeSettings(const ParsedArguments& a, EncodeSettings* s, std::string* error) {
  if (!ReadBitrate(a, "--bitrate", &s->bitrate, error) ||
      !ReadBitrate(a, "--vbr-max", &s->vbrMaxBitrate, error) ||
      !ReadChoice(a, "--mode", kModes, &s->mode, error) ||
      !ReadChoice(a, "--quality", kQualities, &s->quality, error)) {
    return false;
  }
  s->vbr = a.Has("--vbr");
  if (a.Has("--vbr-max") && !s->vbr) {
    *error = "--vbr-max needs --vbr";
    return false;
  }
  if (s->vbr && s->vbrMaxBitrate < s->bitrate) {
    *error = "--vbr-max (" + std::to_string(s->vbrMaxBitrate) + ") is below --bitrate (" +
             std::to_string(s->bitrate) + ")";
    return false;
  }
  if (a.Has("--priority")) {
    std::optional<int> level = ParseNumber(a.Value("--priority"), 1, 3);
    if (!level) {
      *error = "--priority must be 1, 2 or 3, not '" + a.Value("--priority") + "'";
      return false;
    }
    s->priority = *level;
  }
  return true;
}

std::vector<std::string> SettingsAsArguments(const EncodeSettings& s) {
  std::vector<std::string> out = {
      "--bitrate", std::to_string(s.bitrate), "--mode", s.mode, "--quality", s.quality};
  if (s.vbr) {
    out.insert(out.end(), {"--vbr", "--vbr-max", std::to_string(s.vbrMaxBitrate)});
  }
  if (s.priority != 0) out.insert(out.end(), {"--priority", std::to_string(s.priority)});
  return out;
}

}  // namespace tolvo::tool
