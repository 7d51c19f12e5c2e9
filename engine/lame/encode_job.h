// The encode job: turns the WAV file named by the engine's inputPath into the MP3 file named by
// outputPath with the settings of EngineState, on a thread of its own, and reports through the
// progress and jobState words.
#pragma once

#include <cstdint>
#include <optional>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

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
