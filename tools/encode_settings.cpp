// Option table and value checks of the encode settings.
#include "encode_settings.h"

#include <algorithm>
#include <array>

#include "tag_options.h"
#include "tolvo/control/setting_texts.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::tool {
namespace {

constexpr int kDefaultBitrate = 128;
constexpr int kLowestBitrate = 32;
constexpr int kLowestMpeg1Rate = 32000;
constexpr int kLowestMpeg2Rate = 16000;

constexpr OptionRule kEncoderOptions[] = {
    {"--bitrate", true, "-b"}, {"--mode", true, "-m"},
    {"--quality", true},       {"--vbr", false},
    {"--vbr-max", true},       {"--vbr-quality", true, "-V"},
    {"--priority", true},      {"--jobs", true, "-j"},
    {"--out-dir", true, "-o"}, {"--recursive", false, "-r"},
    {"--threads", true},
};

bool ReadBitrate(const ParsedArguments& a, const char* name, int* value, std::string* error) {
  if (!a.Has(name)) return true;
  std::optional<int> number = ParseNumber(a.Value(name), 1, 100000);
  // Any bitrate the encode job does not accept would end it with an empty output file, so it is
  // refused here instead.
  const auto& allowed = engine::kAllowedBitrates;
  if (!number || std::find(allowed.begin(), allowed.end(), *number) == allowed.end()) {
    std::string list;
    for (int32_t bitrate : allowed) list += " " + std::to_string(bitrate);
    *error = std::string(name) + " must be one of" + list + ", not '" + a.Value(name) + "'";
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

std::span<const OptionRule> EncodeOptions() {
  static const std::vector<OptionRule> options = [] {
    std::vector<OptionRule> all(std::begin(kEncoderOptions), std::end(kEncoderOptions));
    for (const OptionRule& field : TagFieldOptions()) all.push_back(field);
    return all;
  }();
  return options;
}

bool ReadEncodeSettings(const ParsedArguments& a, EncodeSettings* s, std::string* error) {
  if (!ReadBitrate(a, "--bitrate", &s->bitrate, error) ||
      !ReadBitrate(a, "--vbr-max", &s->vbrMaxBitrate, error) ||
      !ReadChoice(a, "--mode", control::kStereoModeTexts, &s->mode, error) ||
      !ReadChoice(a, "--quality", control::kMp3QualityTexts, &s->quality, error)) {
    return false;
  }
  s->bitrateGiven = a.Has("--bitrate");
  s->vbrMaxGiven = a.Has("--vbr-max");
  if (a.Has("--vbr-quality")) {
    std::optional<int> level = ParseNumber(a.Value("--vbr-quality"), 0, 9);
    if (!level) {
      *error = "--vbr-quality must be a number from 0 (best) to 9, not '" +
               a.Value("--vbr-quality") + "'";
      return false;
    }
    s->vbrQuality = *level;
  }
  // A VBR quality asks for VBR, as in other encoders.
  s->vbr = a.Has("--vbr") || s->vbrQuality >= 0;
  if (a.Has("--vbr-max") && !s->vbr) {
    *error = "--vbr-max needs --vbr";
    return false;
  }
  if (s->vbr && s->bitrateGiven && s->vbrMaxGiven && s->vbrMaxBitrate < s->bitrate) {
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
  if (a.Has("--threads")) {
    std::optional<int> threads = ParseNumber(a.Value("--threads"), 1, 64);
    if (!threads) {
      *error = "--threads must be a number from 1 to 64, not '" + a.Value("--threads") + "'";
      return false;
    }
    s->threads = *threads;
  }
  for (const OptionRule& field : TagFieldOptions()) {
    if (a.Has(field.name)) s->tags[field.name] = a.Value(field.name);
  }
  s->recursive = a.Has("--recursive");
  return true;
}

int HighestBitrateForRate(int sampleRate) {
  if (sampleRate <= 0) return 0;
  if (sampleRate >= kLowestMpeg1Rate) return 320;
  if (sampleRate >= kLowestMpeg2Rate) return 160;
  return 64;
}

bool FitSettingsToRate(int sampleRate, EncodeSettings* s, std::string* problem) {
  const int highest = HighestBitrateForRate(sampleRate);
  if (!s->bitrateGiven) {
    s->bitrate = s->vbr ? kLowestBitrate : std::min(kDefaultBitrate, highest > 0 ? highest : 320);
  }
  if (highest == 0) return true;
  if (!s->vbrMaxGiven) s->vbrMaxBitrate = highest;
  for (auto [name, value] : {std::pair{"--bitrate", s->bitrate},
                             {"--vbr-max", s->vbr && s->vbrMaxGiven ? s->vbrMaxBitrate : 0}}) {
    if (value <= highest) continue;
    *problem = std::to_string(sampleRate) + " Hz audio carries at most " + std::to_string(highest) +
               " kbit/s, not " + std::to_string(value) + "; use " + name + " " +
               std::to_string(highest) + " or lower";
    return false;
  }
  return true;
}

std::vector<std::string> SettingsAsArguments(const EncodeSettings& s) {
  std::vector<std::string> out = {"--mode", s.mode, "--quality", s.quality};
  if (s.bitrateGiven) out.insert(out.end(), {"--bitrate", std::to_string(s.bitrate)});
  if (s.vbr) out.push_back("--vbr");
  if (s.vbrMaxGiven) out.insert(out.end(), {"--vbr-max", std::to_string(s.vbrMaxBitrate)});
  if (s.vbrQuality >= 0) out.insert(out.end(), {"--vbr-quality", std::to_string(s.vbrQuality)});
  if (s.priority != 0) out.insert(out.end(), {"--priority", std::to_string(s.priority)});
  for (const auto& [option, value] : s.tags) out.insert(out.end(), {option, value});
  if (s.threads != 0) out.insert(out.end(), {"--threads", std::to_string(s.threads)});
  return out;
}

std::string DescribeSettings(const EncodeSettings& s) {
  std::string text;
  if (s.vbr) {
    text = "VBR " + std::to_string(s.bitrate) + " to " + std::to_string(s.vbrMaxBitrate) +
           " kbit/s, VBR quality " + std::to_string(s.vbrQuality < 0 ? 0 : s.vbrQuality);
  } else {
    text = std::to_string(s.bitrate) + " kbit/s";
  }
  text += ", " + (s.mode == "joint" ? std::string("joint stereo") : s.mode) + ", " + s.quality +
          " quality";
  return text;
}

}  // namespace tolvo::tool
