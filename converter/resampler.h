// Sample-rate conversion of interleaved float samples through libsoxr, streamed block by block.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct soxr;

namespace tolvo::converter {

class Resampler {
 public:
  Resampler(double inputRate, double outputRate, int channels);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Empty when the resampler was made, else libsoxr's reason.
  const std::string& error() const { return error_; }
  // Feeds frames of input and hands every output frame produced so far to sink(samples, frames);
  // with in == nullptr it drains what the filter still holds. false with error() on a failure.
  template <typename Sink>
  bool Process(const float* in, size_t frames, Sink&& sink);

 private:
  bool Step(const float* in, size_t frames, size_t* used, size_t* produced);

  soxr* soxr_ = nullptr;
  int channels_;
  double ratio_;
  std::vector<float> out_;
  std::string error_;
};

template <typename Sink>
bool Resampler::Process(const float* in, size_t frames, Sink&& sink) {
  const bool draining = in == nullptr;
  for (;;) {
    size_t used = 0, produced = 0;
    if (!Step(in, frames, &used, &produced)) return false;
    if (produced > 0 && !sink(out_.data(), produced)) return false;
    if (draining) {
      if (produced == 0) return true;
      continue;
    }
    in += used * channels_;
    frames -= used;
    if (frames == 0) return true;
  }
}

}  // namespace tolvo::converter
