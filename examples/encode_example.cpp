// A small host of the engine library: it loads libtolvomp3enc1.so and libtolvomp3enc2.so by full
// path, sends the settings and "passfiles" through interface1, polls the job and prints progress.
//   encode_example [--tone] [IN.wav OUT.mp3]
//   --tone first writes a 10 s test tone to IN.wav; without paths it uses the temporary folder.
//   The libraries are taken from $TOLVO_LIBRARY_DIR, else from the build's output folder.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tolvo/encoder/be_stream.h"
#include "tolvo/engine/interface1.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/system_files.h"

namespace {

using Interface1 = int32_t (*)(const char* command, intptr_t a1, intptr_t a2, intptr_t a3);

void Put(std::vector<uint8_t>& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A canonical 16-bit stereo PCM WAV: a few seconds of two quiet tones, one per channel.
bool WriteTestTone(const std::string& path, int seconds) {
  constexpr uint32_t kRate = 44100, kChannels = 2, kBytesPerFrame = 4;
  const uint32_t frames = kRate * static_cast<uint32_t>(seconds);
  const uint32_t dataSize = frames * kBytesPerFrame;
  std::vector<uint8_t> wav;
  wav.reserve(44 + dataSize);
  for (char c : std::string("RIFF")) wav.push_back(static_cast<uint8_t>(c));
  Put(wav, 36 + dataSize, 4);
  for (char c : std::string("WAVEfmt ")) wav.push_back(static_cast<uint8_t>(c));
  Put(wav, 16, 4);
  Put(wav, 1, 2);  // PCM
  Put(wav, kChannels, 2);
  Put(wav, kRate, 4);
  Put(wav, kRate * kBytesPerFrame, 4);
  Put(wav, kBytesPerFrame, 2);
  Put(wav, 16, 2);
  for (char c : std::string("data")) wav.push_back(static_cast<uint8_t>(c));
  Put(wav, dataSize, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    for (double pitch : {440.0, 660.0}) {
      const double s = 0.25 * std::sin(2 * M_PI * pitch * i / kRate);
      Put(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767))), 2);
    }
  }
  auto& fs = tolvo::platform::RealFileSystem();
  tolvo::platform::File file =
      tolvo::platform::File::Open(fs, path.c_str(), tolvo::platform::OpenMode::kCreateTruncate);
  return file.IsOpen() &&
         file.WriteFull(wav.data(), wav.size()) == static_cast<int64_t>(wav.size()) && file.Close();
}

intptr_t Text(const std::string& text) { return reinterpret_cast<intptr_t>(text.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const char* folderOverride = std::getenv("TOLVO_LIBRARY_DIR");
  const std::string folder = folderOverride && *folderOverride ? folderOverride : TOLVO_OUT_DIR;
  std::vector<std::string> args(argv + 1, argv + argc);
  bool makeTone = args.empty();
  if (!args.empty() && args.front() == "--tone") {
    makeTone = true;
    args.erase(args.begin());
  }
  std::string input, output;
  if (args.size() == 2) {
    input = args[0];
    output = args[1];
  } else if (args.empty()) {
    const std::string temp = tolvo::platform::SystemTempFolder();
    input = temp + "tolvo-example.wav";
    output = temp + "tolvo-example.mp3";
  } else {
    std::fprintf(stderr, "usage: %s [--tone] [IN.wav OUT.mp3]\n", argv[0]);
    return 2;
  }
  if (makeTone && !WriteTestTone(input, 10)) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 2;
  }

  // The engine first, then the encoder by full path, so that the engine's load by name finds it.
  tolvo::platform::Library engine(
      tolvo::platform::LoadLibrary(folder + "/" + tolvo::kEngineLibraryName));
  tolvo::platform::Library encoder(
      tolvo::platform::LoadLibrary(folder + "/" + tolvo::kEncoderLibraryName));
  if (!engine || !encoder) {
    std::fprintf(stderr, "cannot load the libraries from %s: %s\n", folder.c_str(),
                 tolvo::platform::LastLibraryError().c_str());
    return 2;
  }
  auto interface1 =
      reinterpret_cast<Interface1>(tolvo::platform::FindSymbol(engine.get(), "interface1"));
  if (!interface1) {
    std::fprintf(stderr, "%s has no interface1\n", tolvo::kEngineLibraryName);
    return 2;
  }

  namespace commands = tolvo::engine::commands;
  interface1(commands::kPassPath, Text(folder + "/"), 0, 0);
  interface1(commands::kBitrate, 128, 0, 0);
  interface1(commands::kVbr, 0, 0, 0);
  interface1(commands::kVbrMaxBitrate, 320, 0, 0);
  interface1(commands::kStereoMode, tolvo::encoder::kChannelJointStereo, 0, 0);
  interface1(commands::kQuality, tolvo::encoder::kQualityHigh, 0, 0);
  interface1(commands::kIntPriority, tolvo::engine::kPriorityNormal, 0, 0);
  if (interface1(commands::kPassFiles, Text(input), Text(output), 0) == tolvo::engine::kRefused) {
    std::fprintf(stderr, "a job is already running\n");
    return 2;
  }
  std::printf("encoding %s -> %s\n", input.c_str(), output.c_str());

  int32_t result = tolvo::engine::kJobRunning;
  int32_t shown = -1;
  while ((result = interface1(commands::kIntReturn, 0, 0, 0)) == tolvo::engine::kJobRunning) {
    const int32_t progress = interface1(commands::kProgress, 0, 0, 0);
    if (progress != shown) {
      std::printf("progress %3d%%\n", progress);
      std::fflush(stdout);
      shown = progress;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  const bool succeeded = result == tolvo::engine::kJobSucceeded;
  std::printf("finished, result %d%s\n", result, succeeded ? " (no error)" : "");
  // The encoder library stays loaded for the life of the process, as in the control.
  encoder.Release();
  return succeeded ? 0 : 1;
}
