// "tolvo encode -j N IN... --out-dir DIR": one engine serves one process, so the files are encoded
// by up to N worker copies of tolvo (the hidden worker command). Each worker takes one file at a
// time on its standard input and reports on a pipe; it is sent the next waiting file as soon as it
// reports the end of one, so that a worker starts once, not once per file. The main loop gathers
// the reports into one progress display and a summary.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <list>
#include <memory>
#include <set>

#include "batch_inputs.h"
#include "commands.h"
#include "encode_run.h"
#include "failure_reasons.h"
#include "interrupt_watch.h"
#include "progress_display.h"
#include "resize_watch.h"
#include "tolvo/platform/child_process.h"
#include "tolvo/platform/executable_path.h"
#include "tolvo/platform/folder_tree.h"
#include "tolvo/platform/path_names.h"
#include "tolvo/platform/processors.h"
#include "tolvo/platform/signals.h"
#include "tolvo/platform/system_error.h"
#include "tolvo/platform/terminal.h"
#include "tolvo/runtime/message_loop.h"
#include "tool_status.h"
#include "wav_info.h"
#include "worker_job.h"

namespace tolvo::tool {
namespace {

using Clock = std::chrono::steady_clock;
namespace report = worker_report;

// How often the exit of a worker whose reports have ended is asked for, where the system gives no
// descriptor to watch for it.
constexpr uint32_t kExitPollMs = 10;
constexpr size_t kReportBlock = 4096;

struct BatchItem {
  enum class State { kWaiting, kRunning, kSucceeded, kFailed, kCancelled };
  std::string input;       // as given
  std::string output;      // DIR/NAME.mp3 as shown
  std::string inputPath;   // absolute
  std::string outputPath;  // absolute
  double seconds = 0;      // length of the input, 0 when unknown
  int percent = 0;
  State state = State::kWaiting;
  bool outputExisted = false;  // when it was handed to a worker
  std::string message;         // the failure, or what a cancelled output holds
};

// One running worker process and the reading of its reports, one line each.
struct Worker {
  BatchItem* item = nullptr;  // the file it encodes; null once it has been sent no more
  platform::ChildProcess process;
  std::unique_ptr<runtime::DescriptorWatch> reports;
  std::unique_ptr<runtime::DescriptorWatch> exit;  // once the reports have ended
  std::string partLine;  // the start of a report whose end has not come yet
  bool reportsEnded = false;
  bool exited = false;
  int exitStatus = -1;
};

class BatchRunner {
 public:
  BatchRunner(std::vector<BatchItem> items, const BatchOptions& options,
              const EncodeSettings& settings)
      : items_(std::move(items)), jobs_(options.jobs), options_(options), settings_(settings) {}

  int Run();

 private:
  BatchItem* NextWaitingItem();
  void StartWorkers();
  void StartWorker(BatchItem& item);
  bool Hand(Worker& worker, BatchItem& item);
  void HandNextOrRetire(Worker& worker);
  void ReadReports(Worker& worker);
  void HandleReport(Worker& worker, const std::string& line);
  void PollExits();
  void FinishIfDone(Worker* worker);
  void Settle(BatchItem& item, const std::string& report, int exitStatus);
  void StopWorkers();
  void Redraw();
  void Say(const std::string& line);
  std::string Label() const;
  std::string Summary(double elapsed) const;

  std::vector<BatchItem> items_;
  int jobs_;
  BatchOptions options_;
  EncodeSettings settings_;
  std::string program_ = platform::ExecutablePath();
  std::list<std::unique_ptr<Worker>> workers_;
  // Asks for the exits of workers whose reports have ended; enabled while there are such.
  runtime::Timer exitPoll_{kExitPollMs, [this] { PollExits(); }};
  std::unique_ptr<ProgressDisplay> display_;
  Clock::time_point start_ = Clock::now();
  bool interrupted_ = false;
  size_t settled_ = 0;
  std::set<std::string> warnings_;
};

// "1 file", "2 files".
std::string Files(size_t count) {
  return std::to_string(count) + (count == 1 ? " file" : " files");
}

std::string BatchRunner::Label() const {
  return std::to_string(settled_) + "/" + Files(items_.size());
}

// A status line (not an error): left out with --quiet.
void BatchRunner::Say(const std::string& line) {
  if (!options_.quiet) display_->Message(line);
}

void BatchRunner::Redraw() {
  if (options_.quiet) return;
  double total = 0, done = 0;
  for (const BatchItem& item : items_) {
    double weight = item.seconds > 0 ? item.seconds : 1.0;
    bool finished =
        item.state != BatchItem::State::kWaiting && item.state != BatchItem::State::kRunning;
    total += weight;
    done += weight * (finished ? 100 : item.percent) / 100.0;
  }
  double audio = 0;
  for (const BatchItem& item : items_) audio += item.seconds;
  int percent = total > 0 ? static_cast<int>(100.0 * done / total) : 0;
  double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  display_->SetLabel(Label());
  display_->Update({percent, elapsed, audio});
}

// The longest waiting file first (in the given order among equals): the files that end the batch
// are then the short ones, so the cores idle least while the last of them finish.
BatchItem* BatchRunner::NextWaitingItem() {
  if (interrupted_) return nullptr;
  BatchItem* next = nullptr;
  for (BatchItem& item : items_) {
    if (item.state == BatchItem::State::kWaiting && (!next || item.seconds > next->seconds)) {
      next = &item;
    }
  }
  return next;
}

// Starts workers for waiting files while fewer than N run.
void BatchRunner::StartWorkers() {
  while (static_cast<int>(workers_.size()) < jobs_) {
    BatchItem* item = NextWaitingItem();
    if (!item) return;
    StartWorker(*item);
  }
}

void BatchRunner::StartWorker(BatchItem& item) {
  std::vector<std::string> arguments = {program_, kWorkerCommand};
  std::vector<std::string> options = SettingsAsArguments(settings_);
  if (options_.verbose) options.push_back("--verbose");
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.push_back("--");
  int error = 0;
  // Reports come on standard output; a worker's own messages keep tolvo's standard error.
  platform::ChildProcess process = platform::ChildProcess::Start(
      arguments, &error, platform::ChildErrors::kInherited, platform::ChildInput::kPipe);
  if (!process.IsStarted()) {
    item.state = BatchItem::State::kFailed;
    item.message = item.input + ": cannot start a worker: " + platform::SystemErrorText(error);
    ++settled_;
    display_->Message("tolvo: " + item.message);
    return;
  }
  auto worker = std::make_unique<Worker>();
  worker->process = std::move(process);
  Worker* raw = worker.get();
  worker->reports = std::make_unique<runtime::DescriptorWatch>(
      exitPoll_, raw->process.OutputDescriptor(), [this, raw] { ReadReports(*raw); });
  workers_.push_back(std::move(worker));
  Hand(*raw, item);
}

// Sends `item` to the worker; false when the worker no longer reads (its end is handled when its
// reports end).
bool BatchRunner::Hand(Worker& worker, BatchItem& item) {
  if (options_.verbose) Say("tolvo: encoding " + item.input + " to " + item.output);
  item.outputExisted = PathExists(item.outputPath);
  const std::string job = WorkerJobBytes({.input = item.inputPath,
                                          .output = item.outputPath,
                                          .shownInput = item.input,
                                          .shownOutput = item.output});
  item.state = BatchItem::State::kRunning;
  worker.item = &item;
  return worker.process.WriteInput(job.data(), job.size());
}

// After a final report: the next waiting file, or the end of the worker's input, which ends it.
void BatchRunner::HandNextOrRetire(Worker& worker) {
  if (BatchItem* next = NextWaitingItem()) {
    if (Hand(worker, *next)) return;
  }
  worker.process.CloseInput();
}

void BatchRunner::ReadReports(Worker& worker) {
  char block[kReportBlock];
  const int64_t got = worker.process.ReadOutput(block, sizeof block);
  if (got > 0) {
    worker.partLine.append(block, static_cast<size_t>(got));
    for (size_t end; (end = worker.partLine.find('\n')) != std::string::npos;) {
      const std::string line = worker.partLine.substr(0, end);
      worker.partLine.erase(0, end + 1);
      HandleReport(worker, line);
    }
    return;
  }
  // The end of the pipe (or a failed read): a last line without its newline still counts.
  if (!worker.partLine.empty()) HandleReport(worker, std::exchange(worker.partLine, {}));
  worker.reportsEnded = true;
  worker.reports.reset();
  worker.process.CloseOutput();
  worker.process.CloseInput();
  // The pipe ends a moment before the worker can be reaped: its exit is watched, so that a file
  // it left is settled and a new worker starts as soon as it has gone.
  if (const int fd = worker.process.ExitDescriptor(); fd >= 0) {
    worker.exit =
        std::make_unique<runtime::DescriptorWatch>(exitPoll_, fd, [this] { PollExits(); });
  } else {
    exitPoll_.Enable();
  }
  PollExits();
}

void BatchRunner::PollExits() {
  std::vector<Worker*> ended;
  bool waiting = false;
  for (const std::unique_ptr<Worker>& worker : workers_) {
    if (!worker->reportsEnded || worker->exited) continue;
    int32_t status = -1;
    switch (worker->process.PollExit(&status)) {
      case platform::ExitPoll::kRunning:
        waiting = waiting || !worker->exit;
        continue;
      case platform::ExitPoll::kExited:
        worker->exitStatus = status;
        break;
      case platform::ExitPoll::kFailed:
        break;
    }
    worker->exited = true;
    ended.push_back(worker.get());
  }
  if (!waiting) exitPoll_.Disable();
  for (Worker* worker : ended) FinishIfDone(worker);
}

void BatchRunner::HandleReport(Worker& worker, const std::string& line) {
  if (!worker.item) return;  // nothing more was asked of it
  if (line.starts_with(report::kProgress)) {
    worker.item->percent = std::atoi(line.c_str() + report::kProgress.size());
    Redraw();
    return;
  }
  if (line.starts_with(report::kWarning)) {
    // Every worker meets the same refusal (a priority): it is said once.
    if (warnings_.insert(line).second) {
      Say("tolvo: warning: " + line.substr(report::kWarning.size()));
    }
    return;
  }
  BatchItem& item = *std::exchange(worker.item, nullptr);
  Settle(item, line, kExitSuccess);
  // A worker that cancelled or skipped a file was interrupted: it skips whatever it is sent, so
  // the waiting files go to a new worker unless the whole batch was interrupted.
  if (line.starts_with(report::kCancelled) || line == report::kSkipped) {
    worker.process.CloseInput();
    StartWorkers();
  } else {
    HandNextOrRetire(worker);
  }
}

void BatchRunner::FinishIfDone(Worker* worker) {
  if (!worker->reportsEnded || !worker->exited) return;
  // A worker that ended in the middle of a file (it crashed or was killed) leaves it unreported.
  if (worker->item) Settle(*std::exchange(worker->item, nullptr), {}, worker->exitStatus);
  workers_.remove_if([worker](const std::unique_ptr<Worker>& w) { return w.get() == worker; });
  StartWorkers();
}

// Settles a file by its worker's final report, or by the worker's exit status when it ended
// without one.
void BatchRunner::Settle(BatchItem& item, const std::string& report, int exitStatus) {
  if (report == report::kSkipped) {
    item.state = BatchItem::State::kWaiting;  // not begun: it counts as not started
    item.percent = 0;
    return;
  }
  ++settled_;
  // A part of a file among whole ones would pass for a whole one: it goes. A reported cancel
  // comes from a running encode, so the output is that part. A worker that ended without a
  // report may not have begun the file: only an output that was not there before is taken away.
  const bool reported = !report.empty();
  auto removePartial = [&item, reported] {
    return RemoveOutputWeMade(item.outputPath, !reported && item.outputExisted);
  };
  auto leftBehind = [&item] {
    return PathExists(item.outputPath) ? "; " + item.output + " may be incomplete" : std::string();
  };
  if (report == report::kDone) {
    item.state = BatchItem::State::kSucceeded;
    Say("encoded " + item.output);
  } else if (report.starts_with(report::kCancelled) ||
             (!reported && exitStatus == kExitCancelled)) {
    item.state = BatchItem::State::kCancelled;
    item.message = item.input + ": cancelled" +
                   (removePartial() ? "; removed the partial " + item.output : leftBehind());
    Say("tolvo: " + item.message);
  } else {
    item.state = BatchItem::State::kFailed;
    if (report.starts_with(report::kFailed)) {
      item.message = report.substr(report::kFailed.size());
    } else {
      item.message = item.input + ": the worker ended with status " + std::to_string(exitStatus) +
                     (removePartial() ? "; removed the partial " + item.output : leftBehind());
    }
    display_->Message("tolvo: " + item.message);
  }
  Redraw();
}

void BatchRunner::StopWorkers() {
  interrupted_ = true;
  // A Ctrl-C on the terminal reaches the workers too; a signal sent to tolvo alone is passed on.
  // No worker is sent another file: each ends once it has settled the one it has.
  for (const std::unique_ptr<Worker>& worker : workers_) {
    worker->process.CloseInput();
    if (!worker->exited) worker->process.Interrupt();
  }
}

std::string BatchRunner::Summary(double elapsed) const {
  size_t succeeded = 0, failed = 0, cancelled = 0, notStarted = 0;
  double audio = 0;
  for (const BatchItem& item : items_) {
    switch (item.state) {
      case BatchItem::State::kSucceeded:
        ++succeeded;
        audio += item.seconds;
        break;
      case BatchItem::State::kFailed:
        ++failed;
        break;
      case BatchItem::State::kCancelled:
        ++cancelled;
        break;
      default:
        ++notStarted;
        break;
    }
  }
  char timing[128];
  std::snprintf(timing, sizeof timing, "%.1f s of audio in %.1f s", audio, elapsed);
  std::string summary = Files(items_.size()) + ": " + std::to_string(succeeded) + " encoded, " +
                        std::to_string(failed) + " failed";
  if (cancelled + notStarted > 0) {
    summary += ", " + std::to_string(cancelled) + " cancelled, " + std::to_string(notStarted) +
               " not started";
  }
  summary += "; " + std::string(timing);
  if (std::string speed = FormatSpeed({100, elapsed, audio}); !speed.empty()) {
    summary += " (" + speed + ")";
  }
  return summary;
}

int BatchRunner::Run() {
  int columns = 0;
  if (!options_.quiet && platform::IsTerminal(platform::StandardStream::kError)) {
    columns = platform::TerminalColumns(platform::StandardStream::kError);
    if (columns <= 0) columns = 80;
  }
  display_ = std::make_unique<ProgressDisplay>(std::cerr, columns, Label());
  for (BatchItem& item : items_) {
    if (item.state == BatchItem::State::kFailed) {
      ++settled_;
      display_->Message("tolvo: " + item.message);
    }
  }
  InterruptWatch interrupt([this] { StopWorkers(); });
  ResizeWatch resize([this](int width) { display_->SetColumns(width); });
  start_ = Clock::now();
  // A worker that has ended while it is sent a file must not end tolvo: that file is settled by
  // the worker's exit instead.
  platform::IgnoreBrokenPipe();
  StartWorkers();
  runtime::RunLoopUntil([this] { return workers_.empty(); });
  double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  // The summary replaces the bar: a bar left above it would show a state that no longer holds.
  display_->Clear();
  if (!options_.quiet) std::cerr << Summary(elapsed) << std::endl;

  bool allSucceeded = true, anyCancelled = false;
  for (const BatchItem& item : items_) {
    allSucceeded &= item.state == BatchItem::State::kSucceeded;
    anyCancelled |= item.state == BatchItem::State::kCancelled;
  }
  if (interrupted_ || anyCancelled) return kExitCancelled;
  return allSucceeded ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunBatch(const std::vector<std::string>& given, const std::string& outDir,
             const BatchOptions& options, const EncodeSettings& settings) {
  const std::string folder = platform::AbsolutePath(outDir);
  if (folder.empty()) return ReportUsage("encode", "bad --out-dir '" + outDir + "'");
  std::vector<BatchInput> inputs;
  std::string problem;
  if (!ExpandBatchInputs(given, settings.recursive, &inputs, &problem)) {
    return ReportError(kExitFailure, problem);
  }
  std::vector<BatchItem> items;
  std::set<std::string> outputs;
  for (const BatchInput& input : inputs) {
    BatchItem item;
    item.input = input.input;
    item.output = platform::JoinPath(outDir, input.output);
    item.inputPath = platform::AbsolutePath(input.input);
    item.outputPath = platform::NormalPath(platform::JoinPath(folder, input.output));
    if (!outputs.insert(item.outputPath).second) {
      return ReportUsage("encode", "two inputs would both be encoded to " + item.output);
    }
    // A pipe is not opened here (it would wait for a writer); its worker refuses it.
    if (!IsSpecialFile(item.inputPath)) {
      if (std::optional<WavInfo> wav = ReadWavInfo(item.inputPath)) item.seconds = wav->Seconds();
    }
    if (std::string same = CheckDistinctFiles(item.inputPath, item.outputPath); !same.empty()) {
      item.state = BatchItem::State::kFailed;
      item.message = input.input + ": " + same;
    }
    items.push_back(std::move(item));
  }
  BatchOptions run = options;
  const int cores = platform::AvailableProcessors();
  if (run.jobs <= 0) run.jobs = cores;
  // Files encoded side by side already fill the cores; each file gets its share of them, since
  // more encoder threads than cores only add the cost of starting their blocks.
  EncodeSettings perFile = settings;
  if (perFile.threads == 0) perFile.threads = std::max(1, cores / run.jobs);
  BatchRunner runner(std::move(items), run, perFile);
  return runner.Run();
}

}  // namespace tolvo::tool
