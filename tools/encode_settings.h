// The encoder options of "tolvo encode" (bitrate, mode, quality, VBR, priority): their option
// table, their checks, and their form as arguments again for a worker process.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "command_line.h"

namespace tolvo::tool {

struct EncodeSettings {
  int bitrate = 128;
  std::string mode = "joint";      // stereo, joint, dual, mono
  std::string quality = "normal";  // normal, low, high
  bool vbr = false;
  int vbrMaxBitrate = 320;
  int priority = 0;  // 1 idle, 2 normal, 3 high; 0 leaves it as it is
};

// The options above, plus -j/--jobs and --out-dir of a batch.
std::span<const OptionRule> EncodeOptions();

// Checks every value up front, so that a bad one is refused before any file is touched.
// false with *error (one line) for a bad value.
bool ReadEncodeSettings(const ParsedArguments& arguments, EncodeSettings* settings,
                        std::string* error);

// The settings as options again, for a worker process.
std::vector<std::string> SettingsAsArguments(const EncodeSettings& settings);

}  // namespace tolvo::tool
