// The engine's module-level state: settings for the next encode, the four words shared with the
// job thread, and the paths. One instance per loaded engine library, initialised from static data.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "tolvo/engine/interface1.h"

namespace tolvo::engine {

// Room of a path field, terminating zero included. Linux paths may be longer than Windows' 300
// bytes; a text that does not fit is refused (the field becomes empty) rather than cut.
inline constexpr size_t kPathFieldSize = 4096;

struct EngineState {
  // Settings. Written by the caller's commands, read by the job; atomic so that a caller that
  // changes them during a job cannot cause a data race.
  std::atomic<int32_t> bitrate{128};
  std::atomic<int32_t> useVbr{0};
  std::atomic<int32_t> vbrMaxBitrate{320};
  std::atomic<int32_t> stereoMode{1};
  std::atomic<int32_t> quality{0};
  std::atomic<int32_t> priority{2};
  // The VBR quality of the configuration record, 0 (best) to 9. Only "vbrquality" changes it.
  std::atomic<int32_t> vbrQuality{0};
  // Encoder workers for one file: 0 one per online core, 1 the sequential encode.
  std::atomic<int32_t> encoderThreads{0};

  // The words shared with the job thread.
  std::atomic<int32_t> jobState{0};
  std::atomic<int32_t> progress{0};
  std::atomic<int32_t> pauseRequested{0};
  std::atomic<int32_t> cancelRequested{0};

  // Paths. inputPath and outputPath change only while no job runs.
  char inputPath[kPathFieldSize] = "Track03.wav";
  char outputPath[kPathFieldSize] = "c:\\backup\\Track03.mp3";
  char programFolder[kPathFieldSize] = "Track03.wav";
  char tempFolder[kPathFieldSize] = "";

  // Held by every tag command and by "definetempfolder": the field sets and the temporary folder
  // are one per engine, so two callers on two threads take turns with them.
  std::mutex tagCommands;
};

// The one state of this loaded library.
EngineState& State();

// Copies a zero-terminated text into a path field; a null or over-long text leaves it empty.
void CopyPathField(char (&field)[kPathFieldSize], const char* text);

}  // namespace tolvo::engine
