// The libsoxr stream: high quality (20-bit precision, the library's default), one thread, float
// samples interleaved on both sides.
#include "resampler.h"

#include <soxr.h>

namespace tolvo::converter {
namespace {
constexpr size_t kOutputFrames = 8192;
}

Resampler::Resampler(double inputRate, double outputRate, int channels)
    : channels_(channels), ratio_(outputRate / inputRate) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t failure = nullptr;
  soxr_ = soxr_create(inputRate, outputRate, static_cast<unsigned>(channels), &failure, &io,
                      &quality, &runtime);
  if (failure) {
    error_ = failure;
    soxr_delete(soxr_);
    soxr_ = nullptr;
  }
  out_.resize(kOutputFrames * static_cast<size_t>(channels));
}

Resampler::~Resampler() { soxr_delete(soxr_); }

bool Resampler::Step(const float* in, size_t frames, size_t* used, size_t* produced) {
  if (!soxr_) return false;
  const soxr_error_t failure =
      soxr_process(soxr_, in, in ? frames : 0, used, out_.data(), kOutputFrames, produced);
  if (failure) {
    error_ = failure;
    return false;
  }
  return true;
}

}  // namespace tolvo::converter
