// snd: the converter program. "snd -pcm16 INPUT OUTPUT" writes a canonical 16-bit PCM copy of a
// PCM or float WAV file that the encoder can take; the engine runs it on every input it does not
// read itself.
#include <cstdio>
#include <string>
#include <string_view>

#include "pcm16_conversion.h"
#include "tolvo/wav/wav_kind.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp =
    "Usage: snd -pcm16 INPUT OUTPUT\n"
    "       snd --help\n"
    "\n"
    "Converts the WAV file INPUT into OUTPUT, a canonical 16-bit PCM WAV file with one or two\n"
    "channels at one of the MPEG sample rates (8000 to 48000 Hz).\n"
    "INPUT may hold 8-, 16-, 24- or 32-bit PCM or 32- or 64-bit float samples, plain or in the\n"
    "extensible format, in a RIFF or RF64 file, with any number of channels at any rate.\n"
    "More than two channels are mixed down to stereo (ITU coefficients, low frequencies left\n"
    "out); another rate is resampled to the nearest MPEG rate (libsoxr); samples of more than\n"
    "16 bits or of float are reduced to 16 bits with TPDF dither. 8-bit samples x that keep\n"
    "their channels and rate become (x - 128) * 256; such 16-bit samples are copied.\n"
    "The input's chunks may come in any order; other chunks are skipped. A data chunk that\n"
    "claims more than the file holds is read to the end of the file.\n"
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
  std::printf("snd: %s: %s, %llu frames -> 16-bit, %d channel%s, %u Hz, %llu frames: %s\n",
              input.c_str(), tolvo::wav::DescribeWav(summary.input).c_str(),
              static_cast<unsigned long long>(summary.inputFrames), summary.outputChannels,
              summary.outputChannels == 1 ? "" : "s", static_cast<unsigned>(summary.outputRate),
              static_cast<unsigned long long>(summary.outputFrames), output.c_str());
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
