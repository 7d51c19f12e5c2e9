// The encoder options of "tolvo encode" (bitrate, mode, quality, VBR, priority, tags to write
// afterwards): their option table, their checks, the bitrates an input's sample rate can carry,
// and their form as arguments again for a worker process.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "command_line.h"

namespace tolvo::tool {

struct EncodeSettings {
  int bitrate = 128;               // CBR bitrate, or the VBR floor
  bool bitrateGiven = false;       // --bitrate was given; else tolvo picks one the input carries
  std::string mode = "joint";      // stereo, joint, dual, mono
  std::string quality = "normal";  // normal, low, high
  bool vbr = false;
  int vbrMaxBitrate = 320;
  bool vbrMaxGiven = false;
  int vbrQuality = -1;                      // 0 (best) .. 9; -1 leaves the encoder's own (0)
  int priority = 0;                         // 1 idle, 2 normal, 3 high; 0 leaves it as it is
  std::map<std::string, std::string> tags;  // tag field options ("--title") and their values
  bool recursive = false;                   // a batch descends into the folders it is given
  int threads = 0;  // threads per file: 1 the sequential encode; 0 leaves it (one per core)
};

// The encoder and tag options above, plus -j/--jobs, --out-dir and --recursive of a batch.
std::span<const OptionRule> EncodeOptions();

// Checks every value up front, so that a bad one is refused before any file is touched.
// false with *error (one line) for a bad value.
bool ReadEncodeSettings(const ParsedArguments& arguments, EncodeSettings* settings,
                        std::string* error);

// The highest bitrate (kbit/s) an MPEG stream of the input's sample rate carries: 320 from 32 kHz
// up, 160 at 16 to 24 kHz, 64 below. 0 for an unknown rate (0).
int HighestBitrateForRate(int sampleRate);

// Fits the settings to an input of `sampleRate` Hz (0: unknown, nothing changes): a bitrate not
// given becomes 128 or the highest the rate carries (the VBR floor the lowest, 32), a VBR maximum
// not given the highest. false with *problem when a given bitrate is more than the rate carries.
bool FitSettingsToRate(int sampleRate, EncodeSettings* settings, std::string* problem);

// The settings as options again, for a worker process.
std::vector<std::string> SettingsAsArguments(const EncodeSettings& settings);

// "128 kbit/s joint stereo, normal quality" and the like, for -v.
std::string DescribeSettings(const EncodeSettings& settings);

}  // namespace tolvo::tool
