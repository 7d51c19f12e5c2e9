// "tolvo encode": one file with a live progress display, or a batch handed to the batch runner.
// Status goes to standard error, so standard output carries only data (the MP3 itself with "-").
#include <chrono>
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "control_session.h"
#include "encode_run.h"
#include "failure_reasons.h"
#include "help_texts.h"
#include "mp3_length.h"
#include "progress_display.h"
#include "resize_watch.h"
#include "stream_staging.h"
#include "tag_options.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/signals.h"
#include "tolvo/platform/terminal.h"
#include "tool_status.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kStandardInputName = "standard input";
constexpr const char* kStandardOutputName = "standard output";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string DescribeInput(const WavInfo& wav) {
  return std::to_string(wav.sampleRate) + " Hz, " + std::to_string(wav.channels) +
         (wav.channels == 1 ? " channel, " : " channels, ") + std::to_string(wav.bitsPerSample) +
         " bits, " + FormatTenths(wav.Seconds()) + " s";
}

// One file from `input` to `output`, both as the user named them; "-" is a standard stream.
class SingleEncode {
 public:
  SingleEncode(std::string input, std::string output, EncodeSettings settings,
               const ParsedArguments& options)
      : input_(std::move(input)),
        output_(std::move(output)),
        settings_(std::move(settings)),
        quiet_(options.quiet),
        verbose_(options.verbose) {}

  int Run();

 private:
  int PrepareStreams();
  int Encode();

  void Note(const std::string& line) const {
    if (verbose_) std::cerr << "tolvo: " << line << std::endl;
  }

  std::string input_, output_;
  EncodeSettings settings_;
  bool quiet_, verbose_;
  bool fromStandardInput_ = false, toStandardOutput_ = false;
  std::string inputPath_, outputPath_;
  std::unique_ptr<StreamStaging> staging_;
};

int SingleEncode::Run() {
  fromStandardInput_ = NamesStandardInput(input_);
  toStandardOutput_ = NamesStandardOutput(output_);
  if (fromStandardInput_ && platform::IsTerminal(platform::StandardStream::kInput)) {
    return ReportUsage("encode", "standard input is a terminal; pipe a WAV file in");
  }
  if (toStandardOutput_ && platform::IsTerminal(platform::StandardStream::kOutput)) {
    return ReportUsage("encode", "standard output is a terminal; MP3 data would garble it");
  }
  if (int status = PrepareStreams(); status != kExitSuccess) return status;
  if (!fromStandardInput_) inputPath_ = AbsolutePath(input_);
  if (!toStandardOutput_) outputPath_ = AbsolutePath(output_);
  if (fromStandardInput_) input_ = kStandardInputName;
  if (toStandardOutput_) output_ = kStandardOutputName;
  return Encode();
}

int SingleEncode::PrepareStreams() {
  if (!fromStandardInput_ && !toStandardOutput_) return kExitSuccess;
  std::string error;
  staging_ = StreamStaging::Create(&error);
  if (!staging_) return ReportError(kExitFailure, error);
  if (fromStandardInput_) {
    inputPath_ = staging_->InputPath();
    uint64_t bytes = 0;
    // Ctrl-C while standard input is copied is noted, not fatal, so the private folder goes too.
    platform::InterruptNote interrupt;
    if (std::string problem = staging_->CopyStandardInput(&bytes); !problem.empty()) {
      return ReportError(kExitFailure, std::string(kStandardInputName) + ": " + problem);
    }
    if (interrupt.Noted()) {
      return ReportError(kExitCancelled, "cancelled while reading standard input");
    }
    Note("copied " + std::to_string(bytes) + " bytes of standard input to " + inputPath_);
  }
  if (toStandardOutput_) {
    outputPath_ = staging_->OutputPath();
    // A reader that stops early must not end tolvo before it has cleaned up.
    platform::IgnoreBrokenPipe();
    Note("encoding into " + outputPath_ +
         " first; standard output gets the finished file, info frame included");
  }
  return kExitSuccess;
}

int SingleEncode::Encode() {
  if (IsSpecialFile(inputPath_))
    return ReportError(kExitFailure, input_ + ": " + InputProblem(inputPath_));
  if (IsSpecialFile(outputPath_)) {
    return ReportError(kExitFailure, output_ + ": " + OutputProblem(outputPath_, output_));
  }
  if (!fromStandardInput_ && !toStandardOutput_) {
    if (std::string problem = CheckDistinctFiles(inputPath_, outputPath_); !problem.empty()) {
      return ReportError(kExitFailure, input_ + ": " + problem);
    }
  }
  bool outputExisted = PathExists(outputPath_);
  double audioSeconds = 0;
  std::optional<WavInfo> wav = ReadWavInfo(inputPath_);
  if (wav) audioSeconds = wav->Seconds();
  std::string problem;
  if (!FitSettingsToRate(wav ? wav->sampleRate : 0, &settings_, &problem)) {
    return ReportError(kExitFailure, input_ + ": " + problem);
  }
  if (wav) Note(input_ + ": " + DescribeInput(*wav));
  Note("encoding at " + DescribeSettings(settings_));

  std::string error;
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);
  ParsedArguments tags = TagArguments(settings_);
  if (!settings_.tags.empty()) {
    if (std::string bad = CheckTagFields(*session, tags, true); !bad.empty()) {
      return ReportUsage("encode", bad);
    }
  }

  int columns = 0;
  if (!quiet_ && platform::IsTerminal(platform::StandardStream::kError)) {
    columns = platform::TerminalColumns(platform::StandardStream::kError);
    if (columns <= 0) columns = 80;
  }
  std::ostream& status = std::cerr;
  ProgressDisplay display(status, columns,
                          fromStandardInput_ ? "stdin" : input_.substr(input_.rfind('/') + 1));
  ResizeWatch resize([&](int width) { display.SetColumns(width); });
  Clock::time_point start = Clock::now();
  EncodeOutcome outcome = EncodeThroughControl(
      *session, inputPath_, outputPath_, settings_,
      [&](int percent) {
        if (!quiet_) display.Update({percent, SecondsSince(start), audioSeconds});
      },
      [&](const std::string& warning) {
        if (!quiet_) display.Message("tolvo: warning: " + warning);
      });
  double elapsed = SecondsSince(start);

  switch (outcome.kind) {
    case EncodeOutcome::Kind::kSucceeded:
      break;
    case EncodeOutcome::Kind::kCancelled: {
      display.Clear();
      session.reset();
      if (toStandardOutput_) {
        return ReportError(kExitCancelled, "cancelled; nothing was written to standard output");
      }
      double kept = 0;
      if (std::optional<Mp3Length> length = MeasureMp3File(outputPath_)) kept = length->Seconds();
      return ReportError(kExitCancelled,
                         "cancelled; " + output_ + " holds the first " + FormatTenths(kept) + " s");
    }
    case EncodeOutcome::Kind::kFailed: {
      display.Clear();
      session.reset();  // lets the engine go before the files are looked at
      RemoveOutputWeMade(outputPath_, outputExisted);
      if (outcome.errorNumber == 0) return ReportError(kExitFailure, outcome.message);
      return ReportError(kExitFailure, DescribeEncodeFailure({.number = outcome.errorNumber,
                                                              .controlText = outcome.message,
                                                              .input = input_,
                                                              .output = output_,
                                                              .inputPath = inputPath_,
                                                              .outputPath = outputPath_},
                                                             verbose_));
    }
  }
  if (!quiet_) display.Update({100, elapsed, audioSeconds});
  display.Finish();
  if (!settings_.tags.empty()) {
    if (std::string failure = WriteTagFields(*session, output_, outputPath_, tags, true, true);
        !failure.empty()) {
      return ReportError(kExitFailure,
                         output_ + ": encoded, but writing its tags failed: " + failure);
    }
    Note(output_ + ": ID3v1 and ID3v2 tags written");
  }
  session.reset();
  const platform::IoResult<platform::FileInfo> written =
      platform::RealFileSystem().Stat(outputPath_.c_str());
  const uint64_t size = written ? static_cast<uint64_t>(written->size) : 0;
  if (toStandardOutput_) {
    platform::InterruptNote interrupt;
    if (std::string failure = staging_->StreamOutput(); !failure.empty()) {
      return ReportError(kExitFailure, std::string(kStandardOutputName) + ": " + failure);
    }
    if (interrupt.Noted()) {
      return ReportError(kExitCancelled, "cancelled while writing standard output");
    }
  }
  if (!quiet_) {
    std::string line = "encoded " + output_ + ": " + FormatTenths(audioSeconds) +
                       " s of audio in " + FormatTenths(elapsed) + " s";
    if (std::string speed = FormatSpeed({100, elapsed, audioSeconds}); !speed.empty()) {
      line += " (" + speed + ")";
    }
    line += ", " + std::to_string(size / 1024) + " KiB";
    status << line << std::endl;
  }
  return kExitSuccess;
}

}  // namespace

int RunEncodeCommand(Arguments arguments) {
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments, EncodeOptions(), &error);
  if (!parsed) return ReportUsage("encode", error);
  if (parsed->help) {
    std::cout << kEncodeHelp;
    return kExitSuccess;
  }
  EncodeSettings settings;
  if (!ReadEncodeSettings(*parsed, &settings, &error)) return ReportUsage("encode", error);
  const std::vector<std::string>& files = parsed->positionals;

  if (parsed->Has("--out-dir") || parsed->Has("--jobs") || parsed->Has("--recursive")) {
    if (!parsed->Has("--out-dir")) return ReportUsage("encode", "a batch needs --out-dir DIR");
    if (files.empty()) return ReportUsage("encode", "no input files given");
    int jobs = 0;  // one per core
    if (parsed->Has("--jobs")) {
      std::optional<int> number = ParseNumber(parsed->Value("--jobs"), 1, 64);
      if (!number) {
        return ReportUsage(
            "encode", "-j must be a number from 1 to 64, not '" + parsed->Value("--jobs") + "'");
      }
      jobs = *number;
    }
    for (const std::string& file : files) {
      if (NamesStandardInput(file)) {
        return ReportUsage("encode", "a batch reads files and folders, not standard input");
      }
    }
    BatchOptions options{.jobs = jobs, .quiet = parsed->quiet, .verbose = parsed->verbose};
    return RunBatch(files, parsed->Value("--out-dir"), options, settings);
  }
  if (files.size() != 2) {
    return ReportUsage(
        "encode", files.size() < 2 ? "wants IN.wav OUT.mp3" : "many inputs need --out-dir DIR");
  }
  return SingleEncode(files[0], files[1], settings, *parsed).Run();
}

}  // namespace tolvo::tool
