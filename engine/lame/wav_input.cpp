// WAV header check and the place of the samples of the encode job's input.
#include "lame/wav_input.h"

#include "core/engine_state.h"
#include "core/trace.h"
#include "lame/input_conversion.h"
#include "tolvo/wav/wav_kind.h"
#include "tolvo/wav/wav_layout.h"

namespace tolvo::engine {
namespace {

using FileSource = wav::FileSource<platform::File>;

wav::WavLayout Walk(platform::File& file) {
  const int64_t size = file.Size();
  FileSource source(file);
  return wav::WalkWav(source, size > 0 ? static_cast<uint64_t>(size) : 0);
}

// The rules for a file neither the encoder nor the converter reads.
int RefusalReason(const wav::WavFormat& f) {
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return kWaveBadBitsPerSample;
  if (f.channels != 1 && f.channels != 2) return kWaveBadChannelCount;
  if (!wav::IsMpegSampleRate(f.sampleRate)) return kWaveBadSampleRate;
  if (f.formatTag != wav::kFormatPcm) return kWaveNotPcm;
  // Plain 8- or 16-bit PCM that still cannot be read (no data chunk, say): what a conversion
  // of it would end with.
  return kWaveNotPcm;
}

}  // namespace

WaveHeader ClassifyWave(const wav::WavLayout& layout) {
  WaveHeader result;
  result.channels = layout.format.channels;
  result.sampleRate = static_cast<int32_t>(layout.format.sampleRate);
  result.bitsPerSample = layout.format.bitsPerSample;
  if (layout.container == wav::Container::kNone) {
    result.reason = kWaveNotRiffWave;
  } else if (wav::IsEncodableAsIs(layout)) {
    result.reason = kWaveAccepted;
  } else if (wav::ConversionProblem(layout).empty()) {
    result.needsConversion = true;
  } else {
    result.reason = RefusalReason(layout.format);
  }
  return result;
}

int CheckWaveFile(const char* path, int32_t* channels, int32_t* sampleRate,
                  platform::FileSystem& fs) {
  wav::WavLayout layout;
  {
    platform::File file = platform::File::Open(fs, path, platform::OpenMode::kRead);
    // Only a regular file: a pipe or a device would never end, or end anywhere.
    if (!file.IsOpen() || !platform::IsRegularFile(file.Info())) {
      Trace("cannot open wave file %s\n", path);
      return kWaveCannotOpen;
    }
    layout = Walk(file);
  }
  const WaveHeader parsed = ClassifyWave(layout);
  *channels = parsed.channels;
  *sampleRate = parsed.sampleRate;
  Trace("wave check %d: %d channels, %d Hz, %d bits%s\n", parsed.reason, parsed.channels,
        parsed.sampleRate, parsed.bitsPerSample, parsed.needsConversion ? ", converting" : "");
  if (parsed.reason != kWaveAccepted || !parsed.needsConversion) return parsed.reason;

  if (ConvertToPcm16() != 0) return kWaveNotPcm;
  // The copy may hold fewer channels or another rate than the input: the job encodes the copy.
  platform::File copy = platform::File::Open(fs, State().inputPath, platform::OpenMode::kRead);
  if (!copy.IsOpen()) return kWaveNotPcm;
  const wav::WavLayout converted = Walk(copy);
  if (!wav::IsEncodableAsIs(converted)) return kWaveNotPcm;
  *channels = converted.format.channels;
  *sampleRate = static_cast<int32_t>(converted.format.sampleRate);
  return kWaveAccepted;
}

SampleRange SampleDataRange(const wav::WavLayout& layout) {
  SampleRange range;
  if (layout.hasData) {
    range.offset = static_cast<int64_t>(layout.dataOffset);
    range.bytes = static_cast<int64_t>(layout.dataBytes);
  }
  return range;
}

SampleRange SeekToSampleData(platform::File& file) {
  const SampleRange range = SampleDataRange(Walk(file));
  file.SeekTo(range.offset);
  return range;
}

}  // namespace tolvo::engine
