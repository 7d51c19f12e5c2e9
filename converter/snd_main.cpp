// snd: the converter program. "snd -pcm16 INPUT OUTPUT" writes a canonical 16-bit PCM copy of an
// 8-bit or 16-bit PCM WAV file; the engine runs it on 8-bit input before encoding.
#include <cstdio>
#include <string>
#include <string_view>

#include "pcm16_conversion.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp =
    "Usage: snd -pcm16 INPUT OUTPUT\n"
    "       snd --help\n"
    "\n"
    "Converts the PCM WAV file INPUT (8 or 16 bits per sample, any channel count and sample\n"
    "rate) into OUTPUT, a canonical 16-bit PCM WAV file with the same channels and sample rate.\n"
    "8-bit samples x become (x - 128) * 256; 16-bit samples are copied.\n"
    "The input's chunks may come in any order; extra chunks are skipped. Input that is not PCM,\n"
    "ends early or contradicts itself is refused.\n"
    "\n"
    "On success one line describes the conversion and the status is 0. On failure a message\n"
    "goes to standard error, OUTPUT is left as it was, and the status is 1 (2 for a wrong\n"
    "command line).\n";

int Usage() {
  std::fputs("snd: expected -pcm16 INPUT OUTPUT (see snd --help)\n", stderr);
  return kExitUsage;
}

int Convert(const std::string& input, const std::string& output) {
  tolvo::converter::ConversionSummary summary;
  std::string problem;
  if (!tolvo::converter::ConvertWavToPcm16(input, output, &summary, &problem)) {
    std::fprintf(stderr, "snd: %s: %s\n", input.c_str(), problem.c_str());
    return kExitFailure;
  }
  const auto& format = summary.input;
  std::printf("snd: %s: %u-bit PCM, %u channel%s, %u Hz, %llu frames -> 16-bit %s\n", input.c_str(),
              static_cast<unsigned>(format.bitsPerSample), static_cast<unsigned>(format.channels),
              format.channels == 1 ? "" : "s", static_cast<unsigned>(format.sampleRate),
              static_cast<unsigned long long>(summary.frames), output.c_str());
  return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc != 4 || std::string_view(argv[1]) != "-pcm16") return Usage();
  return Convert(argv[2], argv[3]);
}
