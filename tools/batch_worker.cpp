// The hidden worker command of a batch: it encodes the files the batch runner sends on standard
// input one after another, through one control that it opens once, and reports on standard
// output (worker_job.h). It ends at the end of its standard input; a Ctrl-C cancels the file it
// encodes, and the files it is sent afterwards are skipped.
#include <iostream>
#include <memory>

#include "commands.h"
#include "control_session.h"
#include "encode_run.h"
#include "failure_reasons.h"
#include "interrupt_watch.h"
#include "mp3_length.h"
#include "progress_display.h"
#include "tag_options.h"
#include "tolvo/runtime/message_loop.h"
#include "tool_status.h"
#include "wav_info.h"
#include "worker_job.h"

namespace tolvo::tool {
namespace {

namespace report = worker_report;

void Say(const std::string& line) { std::cout << line << std::endl; }

class BatchWorker {
 public:
  BatchWorker(EncodeSettings settings, bool verbose)
      : settings_(std::move(settings)), verbose_(verbose) {}

  int Run();

 private:
  // The final report of one file.
  std::string Encode(const WorkerJob& job);

  EncodeSettings settings_;
  bool verbose_;
  InterruptWatch interrupt_{nullptr};
  std::unique_ptr<ControlSession> session_;  // opened for the first file
};

int BatchWorker::Run() {
  WorkerJob job;
  while (ReadWorkerJob(std::cin, &job)) {
    // A Ctrl-C that came between two files is seen here.
    runtime::ProcessPendingEvents();
    Say(interrupt_.Interrupted() ? std::string(report::kSkipped) : Encode(job));
  }
  return interrupt_.Interrupted() ? kExitCancelled : kExitSuccess;
}

std::string BatchWorker::Encode(const WorkerJob& job) {
  auto failed = [](const std::string& message) { return ReportLine(report::kFailed, message); };
  if (IsSpecialFile(job.input)) return failed(job.shownInput + ": " + InputProblem(job.input));
  if (IsSpecialFile(job.output)) {
    return failed(job.shownOutput + ": " + OutputProblem(job.output, job.shownOutput));
  }
  EncodeSettings settings = settings_;
  std::string error;
  std::optional<WavInfo> wav = ReadWavInfo(job.input);
  if (!FitSettingsToRate(wav ? wav->sampleRate : 0, &settings, &error)) {
    return failed(job.shownInput + ": " + error);
  }
  if (!session_) {
    session_ = ControlSession::Open(&error);
    if (!session_) return failed(error);
  }
  ParsedArguments tags = TagArguments(settings);
  if (!settings.tags.empty()) {
    if (std::string bad = CheckTagFields(*session_, tags, true); !bad.empty()) return failed(bad);
  }
  const bool outputExisted = PathExists(job.output);
  EncodeOutcome outcome = EncodeThroughControl(
      *session_, job.input, job.output, settings,
      [](int percent) { Say(ReportLine(report::kProgress, std::to_string(percent))); },
      [](const std::string& warning) { Say(ReportLine(report::kWarning, warning)); }, &interrupt_);
  switch (outcome.kind) {
    case EncodeOutcome::Kind::kSucceeded:
      if (!settings.tags.empty()) {
        if (std::string failure =
                WriteTagFields(*session_, job.shownOutput, job.output, tags, true, true);
            !failure.empty()) {
          return failed(job.shownOutput + ": encoded, but writing its tags failed: " + failure);
        }
      }
      return std::string(report::kDone);
    case EncodeOutcome::Kind::kCancelled: {
      std::optional<Mp3Length> length = MeasureMp3File(job.output);
      return ReportLine(report::kCancelled, FormatTenths(length ? length->Seconds() : 0.0));
    }
    case EncodeOutcome::Kind::kFailed:
      break;
  }
  RemoveOutputWeMade(job.output, outputExisted);
  if (outcome.errorNumber == 0) return failed(job.shownInput + ": " + outcome.message);
  return failed(DescribeEncodeFailure({.number = outcome.errorNumber,
                                       .controlText = outcome.message,
                                       .input = job.shownInput,
                                       .output = job.shownOutput,
                                       .inputPath = job.input,
                                       .outputPath = job.output},
                                      verbose_));
}

}  // namespace

int RunEncodeWorker(Arguments arguments) {
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments, EncodeOptions(), &error);
  EncodeSettings settings;
  if (!parsed || !parsed->positionals.empty() || !ReadEncodeSettings(*parsed, &settings, &error)) {
    Say(ReportLine(worker_report::kFailed, "bad worker arguments: " + error));
    return kExitUsage;
  }
  return BatchWorker(std::move(settings), parsed->verbose).Run();
}

}  // namespace tolvo::tool
