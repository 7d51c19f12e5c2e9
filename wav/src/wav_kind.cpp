// Classifying a walked WAV file and describing it in words.
#include "tolvo/wav/wav_kind.h"

#include <algorithm>
#include <cstdio>

#include "tolvo/wav/wav_layout.h"

namespace tolvo::wav {
namespace {

std::string Number(uint64_t value) { return std::to_string(value); }

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// The first bytes of a file as text, bytes outside printable ASCII as \xNN.
std::string Quoted(const std::array<uint8_t, 4>& bytes, size_t count) {
  std::string text = "'";
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = bytes[i];
    if (c >= 0x20 && c < 0x7F && c != '\'' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text + "'";
}

std::string FormatName(const WavFormat& format) {
  const std::string bits = Number(format.bitsPerSample) + "-bit ";
  std::string name;
  switch (CodingOf(format)) {
    case SampleCoding::kInteger:
      name = bits + "PCM";
      break;
    case SampleCoding::kFloat:
      name = bits + "float";
      break;
    case SampleCoding::kOther:
      name =
          format.formatTag == kFormatExtensible ? "extensible" : "format " + Hex4(format.formatTag);
      break;
  }
  if (format.formatTag == kFormatExtensible && CodingOf(format) != SampleCoding::kOther) {
    name += " (extensible)";
  }
  return name;
}

std::string NotAWav(const WavLayout& layout) {
  const size_t present = std::min<uint64_t>(layout.fileSize, layout.lead.size());
  if (present == 0) return "not a WAV file: it is empty";
  return "not a WAV file: starts with " + Quoted(layout.lead, present);
}

}  // namespace

SampleCoding CodingOf(const WavFormat& format) {
  switch (format.sampleFormat) {
    case kFormatPcm:
      return SampleCoding::kInteger;
    case kFormatFloat:
      return SampleCoding::kFloat;
    default:
      return SampleCoding::kOther;
  }
}

bool IsMpegSampleRate(uint32_t rate) {
  return std::find(kMpegSampleRates.begin(), kMpegSampleRates.end(), rate) !=
         kMpegSampleRates.end();
}

uint32_t NearestMpegSampleRate(uint32_t rate) {
  uint32_t best = kMpegSampleRates.front();
  for (uint32_t candidate : kMpegSampleRates) {
    const uint64_t distance = candidate > rate ? candidate - rate : rate - candidate;
    const uint64_t bestDistance = best > rate ? best - rate : rate - best;
    if (distance <= bestDistance) best = candidate;
  }
  return best;
}

bool IsEncodableAsIs(const WavLayout& layout) {
  const WavFormat& f = layout.format;
  return layout.container == Container::kRiff && layout.formatComplete &&
         f.formatTag == kFormatPcm && f.bitsPerSample == 16 &&
         (f.channels == 1 || f.channels == 2) && IsMpegSampleRate(f.sampleRate);
}

std::string ConversionProblem(const WavLayout& layout) {
  if (layout.container == Container::kNone) return "not a RIFF WAVE file";
  if (!layout.hasFormat) return "no format chunk";
  if (!layout.formatComplete) return "the file ends inside its format chunk";
  const WavFormat& f = layout.format;
  switch (CodingOf(f)) {
    case SampleCoding::kOther:
      if (f.formatTag == kFormatExtensible)
        return "the extensible sub-format is neither PCM nor float";
      return "the samples are neither PCM nor float (format tag " + Number(f.formatTag) + ")";
    case SampleCoding::kInteger:
      if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 &&
          f.bitsPerSample != 32) {
        return Number(f.bitsPerSample) + "-bit PCM samples cannot be read (8, 16, 24 or 32 bits)";
      }
      break;
    case SampleCoding::kFloat:
      if (f.bitsPerSample != 32 && f.bitsPerSample != 64) {
        return Number(f.bitsPerSample) + "-bit float samples cannot be read (32 or 64 bits)";
      }
      break;
  }
  if (f.channels == 0) return "no channels";
  if (f.sampleRate == 0) return "sample rate 0";
  const uint32_t blockAlign = f.channels * (f.bitsPerSample / 8u);
  if (f.blockAlign != blockAlign) {
    return "block align " + Number(f.blockAlign) + " does not match " + Number(f.channels) +
           " channels of " + Number(f.bitsPerSample) + " bits (" + Number(blockAlign) + ")";
  }
  if (!layout.hasData) return "no data chunk";
  return {};
}

std::string DescribeWav(const WavLayout& layout) {
  if (layout.container == Container::kNone) return NotAWav(layout);
  const std::string what = layout.container == Container::kRf64 ? "RF64 WAV" : "WAV";
  if (!layout.hasFormat || !layout.formatComplete) {
    return "truncated " + what + " file: " + ConversionProblem(layout);
  }
  const WavFormat& f = layout.format;
  std::string text = FormatName(f) + " " + what + ", " + Number(f.channels) +
                     (f.channels == 1 ? " channel, " : " channels, ") + Number(f.sampleRate) +
                     " Hz";
  if (std::string problem = ConversionProblem(layout); !problem.empty()) text += ": " + problem;
  return text;
}

}  // namespace tolvo::wav
