// The encode job: turns the WAV file named by the engine's inputPath into the MP3 file named by
// outputPath with the settings of EngineState, on a thread of its own, and reports through the
// progress and jobState words.
#pragma once

#include <cstdint>
#include <optional>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Job results: 0 or 100 plus a failure number.
enum JobResult : int32_t {
  kJobSucceeded = 0,
  kJobEncoderNotBound = 101,
  kJobInvalidWave = 102,
  kJobCannotOpenInput = 103,  // also: not a regular file, or not readable to its end
  // also: the output is the input (same device and inode), is no regular file, is read-only
  // (the owner's write bit, for root too), or another encode or a tag operation holds it
  kJobCannotCreateOutput = 104,
  kJobStreamRefused = 105,
  kJobEncoderFailed = 106,
  // a short write, a close of the output that lost data, or an output path that no longer names
  // the file the job wrote (removed or replaced meanwhile)
  kJobOutputWriteFailed = 107,
  kJobInvalidBitrate = 108,
  kJobInvalidQuality = 109,
  kJobMissingFileName = 110,
  kJobCannotCreateFolder = 111,
  kJobCancelled = 112,
  kJobOutOfResources = 113,  // no job thread, or no memory for the job's buffers
  kJobInvalidStereoMode = 120,
};

// Runs every step of one job on the calling thread and returns its result. All file work goes
// through fs, so tests can make writes short or closes fail.
int32_t RunEncodeJob(platform::FileSystem& fs = platform::RealFileSystem());

// The job thread's routine: progress 0, the job, its result into jobState.
void EncodeThread();

// Pieces of the job with their own rules.
bool IsAllowedBitrate(int32_t kbps);
// Per cent of the input consumed, truncated; 0 when either count is 0.
int32_t ProgressPercent(int64_t totalBytes, int64_t consumedBytes);
// The nice value of a priority setting (1 idle, 2 normal, 3 high); none for any other value.
std::optional<int> NiceForPriority(int32_t priority);

}  // namespace tolvo::engine
