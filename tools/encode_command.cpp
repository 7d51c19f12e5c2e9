// "tolvo encode": one file with a live progress display, or a batch handed to the batch runner;
// also the hidden worker command that a batch starts for each file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "control_session.h"
#include "encode_run.h"
#include "help_texts.h"
#include "mp3_length.h"
#include "progress_display.h"
#include "tolvo/platform/terminal.h"
#include "tool_status.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The engine creates the output before it checks the settings; an empty file that only this
// failed encode made is taken away again.
void RemoveEmptyOutputWeMade(const std::string& output, bool existedBefore) {
  std::error_code error;
  if (!existedBefore && fs::is_regular_file(output, error) && fs::file_size(output, error) == 0) {
    fs::remove(output, error);
  }
}

int EncodeOne(const std::string& input, const std::string& output, const EncodeSettings& settings) {
  std::string inputPath = AbsolutePath(input);
  std::string outputPath = AbsolutePath(output);
  if (std::string problem = CheckDistinctFiles(inputPath, outputPath); !problem.empty()) {
    return ReportError(kExitFailure, input + ": " + problem);
  }
  std::error_code ignored;
  bool outputExisted = fs::exists(outputPath, ignored);
  double audioSeconds = 0;
  if (std::optional<WavInfo> wav = ReadWavInfo(inputPath)) audioSeconds = wav->Seconds();

  std::string error;
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);

  int columns = 0;
  if (platform::IsTerminal(platform::StandardStream::kError)) {
    columns = platform::TerminalColumns(platform::StandardStream::kError);
    if (columns <= 0) columns = 80;
  }
  ProgressDisplay display(std::cerr, columns, fs::path(input).filename().string());
  Clock::time_point start = Clock::now();
  EncodeOutcome outcome =
      EncodeThroughControl(*session, inputPath, outputPath, settings, [&](int percent) {
        display.Update({percent, SecondsSince(start), audioSeconds});
      });
  double elapsed = SecondsSince(start);
  session.reset();  // lets the engine go before the output is looked at

  switch (outcome.kind) {
    case EncodeOutcome::Kind::kSucceeded: {
      display.Update({100, elapsed, audioSeconds});
      display.Finish();
      std::string line = "encoded " + output + ": " + Decimal(audioSeconds) + " s of audio in " +
                         Decimal(elapsed) + " s";
      if (std::string speed = FormatSpeed({100, elapsed, audioSeconds}); !speed.empty()) {
        line += " (" + speed + ")";
      }
      line += ", " + std::to_string(fs::file_size(outputPath, ignored) / 1024) + " KiB";
      std::cout << line << std::endl;
      return kExitSuccess;
    }
    case EncodeOutcome::Kind::kCancelled: {
      display.Finish();
      double kept = 0;
      if (std::optional<Mp3Length> length = MeasureMp3File(outputPath)) kept = length->Seconds();
      return ReportError(kExitCancelled,
                         "cancelled; " + output + " holds the first " + Decimal(kept) + " s");
    }
    case EncodeOutcome::Kind::kFailed:
      break;
  }
  display.Finish();
  RemoveEmptyOutputWeMade(outputPath, outputExisted);
  if (outcome.errorNumber == 0) return ReportError(kExitFailure, outcome.message);
  return ReportError(kExitFailure,
                     (outcome.concernsOutput ? output : input) + ": " + outcome.message);
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

  if (parsed->Has("--out-dir") || parsed->Has("--jobs")) {
    if (!parsed->Has("--out-dir")) return ReportUsage("encode", "-j needs --out-dir DIR");
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
    return RunBatch(files, parsed->Value("--out-dir"), jobs, settings);
  }
  if (files.size() != 2) {
    return ReportUsage(
        "encode", files.size() < 2 ? "wants IN.wav OUT.mp3" : "many inputs need --out-dir DIR");
  }
  return EncodeOne(files[0], files[1], settings);
}

// Speaks to the batch runner on standard output, one line per report:
//   "progress N", then "done", "cancelled SECONDS" or "failed SUBJECT MESSAGE", where SUBJECT
//   says which file the message is about: "input", "output" or "-" (neither).
int RunEncodeWorker(Arguments arguments) {
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments, EncodeOptions(), &error);
  EncodeSettings settings;
  if (!parsed || parsed->positionals.size() != 2 ||
      !ReadEncodeSettings(*parsed, &settings, &error)) {
    std::cout << "failed - bad worker arguments: " << error << std::endl;
    return kExitUsage;
  }
  const std::string& input = parsed->positionals[0];
  const std::string& output = parsed->positionals[1];
  std::error_code ignored;
  bool outputExisted = fs::exists(output, ignored);
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) {
    std::cout << "failed - " << error << std::endl;
    return kExitFailure;
  }
  EncodeOutcome outcome = EncodeThroughControl(*session, input, output, settings, [](int percent) {
    std::cout << "progress " << percent << std::endl;
  });
  session.reset();
  switch (outcome.kind) {
    case EncodeOutcome::Kind::kSucceeded:
      std::cout << "done" << std::endl;
      return kExitSuccess;
    case EncodeOutcome::Kind::kCancelled: {
      std::optional<Mp3Length> length = MeasureMp3File(output);
      std::cout << "cancelled " << Decimal(length ? length->Seconds() : 0.0) << std::endl;
      return kExitCancelled;
    }
    case EncodeOutcome::Kind::kFailed:
      break;
  }
  RemoveEmptyOutputWeMade(output, outputExisted);
  const char* subject = outcome.errorNumber == 0 ? "-"
                        : outcome.concernsOutput ? "output"
                                                 : "input";
  std::cout << "failed " << subject << ' ' << outcome.message << std::endl;
  return kExitFailure;
}

}  // namespace tolvo::tool
