// "tolvo encode -j N IN... --out-dir DIR": one engine serves one process, so each file is encoded
// by a worker copy of tolvo (the hidden worker command) that reports on a pipe; N workers run at
// a time, and the main loop gathers their reports into one progress display and a summary.
#include <gio/gio.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <list>
#include <memory>
#include <set>

#include "commands.h"
#include "encode_run.h"
#include "interrupt_watch.h"
#include "progress_display.h"
#include "tolvo/platform/executable_path.h"
#include "tolvo/platform/terminal.h"
#include "tolvo/runtime/message_loop.h"
#include "tool_status.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct GObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct BatchItem {
  enum class State { kWaiting, kRunning, kSucceeded, kFailed, kCancelled };
  std::string input;       // as given
  std::string output;      // DIR/NAME.mp3 as shown
  std::string inputPath;   // absolute
  std::string outputPath;  // absolute
  double seconds = 0;      // length of the input, 0 when unknown
  int percent = 0;
  State state = State::kWaiting;
  std::string message;  // the failure, or what a cancelled output holds
};

class BatchRunner;

// One running worker process and the reading of its reports.
struct Worker {
  BatchRunner* runner = nullptr;
  BatchItem* item = nullptr;
  GObjectPtr<GSubprocess> process;
  GObjectPtr<GDataInputStream> reports;
  bool reportsEnded = false;
  bool exited = false;
  int exitStatus = -1;
  std::string finalReport;  // "done", "failed …" or "cancelled …"
};

class BatchRunner {
 public:
  BatchRunner(std::vector<BatchItem> items, int jobs, const EncodeSettings& settings)
      : items_(std::move(items)), jobs_(jobs), settings_(settings) {}

  int Run();

 private:
  static void OnReportLine(GObject* source, GAsyncResult* result, gpointer data);
  static void OnWorkerExit(GObject* source, GAsyncResult* result, gpointer data);

  void StartWaitingItems();
  void Start(BatchItem& item);
  void HandleReport(Worker& worker, const std::string& line);
  void FinishIfDone(Worker* worker);
  void Settle(Worker& worker);
  void StopWorkers();
  void Redraw();
  std::string Label() const;

  std::vector<BatchItem> items_;
  int jobs_;
  EncodeSettings settings_;
  std::string program_ = platform::ExecutablePath();
  std::list<std::unique_ptr<Worker>> workers_;
  std::unique_ptr<ProgressDisplay> display_;
  Clock::time_point start_ = Clock::now();
  bool interrupted_ = false;
  size_t settled_ = 0;
};

std::string BatchRunner::Label() const {
  return std::to_string(settled_) + "/" + std::to_string(items_.size()) + " files";
}

void BatchRunner::Redraw() {
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

void BatchRunner::StartWaitingItems() {
  for (BatchItem& item : items_) {
    if (interrupted_ || static_cast<int>(workers_.size()) >= jobs_) return;
    if (item.state == BatchItem::State::kWaiting) Start(item);
  }
}

void BatchRunner::Start(BatchItem& item) {
  std::vector<std::string> arguments = {program_, kWorkerCommand, "--", item.inputPath,
                                        item.outputPath};
  std::vector<std::string> options = SettingsAsArguments(settings_);
  arguments.insert(arguments.begin() + 2, options.begin(), options.end());
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  argv.push_back(nullptr);

  auto worker = std::make_unique<Worker>();
  worker->runner = this;
  worker->item = &item;
  GError* error = nullptr;
  worker->process.reset(g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error));
  if (!worker->process) {
    item.state = BatchItem::State::kFailed;
    item.message = item.input + ": cannot start a worker: " + (error ? error->message : "?");
    if (error) g_error_free(error);
    ++settled_;
    display_->Message("tolvo: " + item.message);
    return;
  }
  item.state = BatchItem::State::kRunning;
  worker->reports.reset(
      g_data_input_stream_new(g_subprocess_get_stdout_pipe(worker->process.get())));
  Worker* raw = worker.get();
  workers_.push_back(std::move(worker));
  g_data_input_stream_read_line_async(raw->reports.get(), G_PRIORITY_DEFAULT, nullptr,
                                      &BatchRunner::OnReportLine, raw);
  g_subprocess_wait_async(raw->process.get(), nullptr, &BatchRunner::OnWorkerExit, raw);
}

void BatchRunner::OnReportLine(GObject* source, GAsyncResult* result, gpointer data) {
  auto* worker = static_cast<Worker*>(data);
  GError* error = nullptr;
  gsize length = 0;
  char* line =
      g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(source), result, &length, &error);
  if (error) g_error_free(error);
  if (!line) {
    worker->reportsEnded = true;
    worker->runner->FinishIfDone(worker);
    return;
  }
  std::string report(line, length);
  g_free(line);
  worker->runner->HandleReport(*worker, report);
  g_data_input_stream_read_line_async(worker->reports.get(), G_PRIORITY_DEFAULT, nullptr,
                                      &BatchRunner::OnReportLine, worker);
}

void BatchRunner::OnWorkerExit(GObject* source, GAsyncResult* result, gpointer data) {
  auto* worker = static_cast<Worker*>(data);
  GSubprocess* process = G_SUBPROCESS(source);
  GError* error = nullptr;
  if (g_subprocess_wait_finish(process, result, &error)) {
    worker->exitStatus = g_subprocess_get_if_exited(process)
                             ? g_subprocess_get_exit_status(process)
                             : 128 + g_subprocess_get_term_sig(process);
  }
  if (error) g_error_free(error);
  worker->exited = true;
  worker->runner->FinishIfDone(worker);
}

void BatchRunner::HandleReport(Worker& worker, const std::string& line) {
  if (line.starts_with("progress ")) {
    worker.item->percent = std::atoi(line.c_str() + 9);
    Redraw();
  } else {
    worker.finalReport = line;
  }
}

void BatchRunner::FinishIfDone(Worker* worker) {
  if (!worker->reportsEnded || !worker->exited) return;
  Settle(*worker);
  workers_.remove_if([worker](const std::unique_ptr<Worker>& w) { return w.get() == worker; });
  StartWaitingItems();
}

void BatchRunner::Settle(Worker& worker) {
  BatchItem& item = *worker.item;
  const std::string& report = worker.finalReport;
  ++settled_;
  if (report == "done" && worker.exitStatus == kExitSuccess) {
    item.state = BatchItem::State::kSucceeded;
    display_->Message("encoded " + item.output);
  } else if (report.starts_with("cancelled ") ||
             (report.empty() && worker.exitStatus == kExitCancelled)) {
    item.state = BatchItem::State::kCancelled;
    std::string seconds = report.empty() ? "0.0" : report.substr(10);
    item.message = "cancelled; " + item.output + " holds the first " + seconds + " s";
    display_->Message("tolvo: " + item.message);
  } else {
    item.state = BatchItem::State::kFailed;
    if (report.starts_with("failed ") && report.size() > 9) {
      std::string subject = report.substr(7, report.find(' ', 7) - 7);
      std::string text = report.substr(7 + subject.size() + 1);
      item.message = subject == "input"    ? item.input + ": " + text
                     : subject == "output" ? item.output + ": " + text
                                           : item.input + ": " + text;
    } else {
      item.message =
          item.input + ": the worker ended with status " + std::to_string(worker.exitStatus);
    }
    display_->Message("tolvo: " + item.message);
  }
  Redraw();
}

void BatchRunner::StopWorkers() {
  interrupted_ = true;
  // A Ctrl-C on the terminal reaches the workers too; a signal sent to tolvo alone is passed on.
  for (const std::unique_ptr<Worker>& worker : workers_) {
    if (!worker->exited) g_subprocess_send_signal(worker->process.get(), SIGINT);
  }
}

int BatchRunner::Run() {
  int columns = 0;
  if (platform::IsTerminal(platform::StandardStream::kError)) {
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
  start_ = Clock::now();
  StartWaitingItems();
  runtime::RunLoopUntil([this] { return workers_.empty(); });
  double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  display_->Finish();

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
  std::string summary = std::to_string(items_.size()) + " files: " + std::to_string(succeeded) +
                        " encoded, " + std::to_string(failed) + " failed";
  if (cancelled + notStarted > 0) {
    summary += ", " + std::to_string(cancelled) + " cancelled, " + std::to_string(notStarted) +
               " not started";
  }
  summary += "; " + std::string(timing);
  if (std::string speed = FormatSpeed({100, elapsed, audio}); !speed.empty()) {
    summary += " (" + speed + ")";
  }
  std::cout << summary << std::endl;
  if (interrupted_ || cancelled > 0) return kExitCancelled;
  return succeeded == items_.size() ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunBatch(const std::vector<std::string>& inputs, const std::string& outDir, int jobs,
             const EncodeSettings& settings) {
  std::error_code error;
  fs::path folder = fs::absolute(outDir, error);
  if (error || outDir.empty()) return ReportUsage("encode", "bad --out-dir '" + outDir + "'");
  std::vector<BatchItem> items;
  std::set<std::string> outputs;
  for (const std::string& input : inputs) {
    BatchItem item;
    item.input = input;
    fs::path name = fs::path(input).stem();
    name += ".mp3";
    item.output = (fs::path(outDir) / name).string();
    item.inputPath = fs::absolute(input, error).string();
    item.outputPath = (folder / name).lexically_normal().string();
    if (!outputs.insert(item.outputPath).second) {
      return ReportUsage("encode", "two inputs would both be encoded to " + item.output);
    }
    if (std::optional<WavInfo> wav = ReadWavInfo(item.inputPath)) item.seconds = wav->Seconds();
    if (std::string problem = CheckDistinctFiles(item.inputPath, item.outputPath);
        !problem.empty()) {
      item.state = BatchItem::State::kFailed;
      item.message = input + ": " + problem;
    }
    items.push_back(std::move(item));
  }
  if (jobs <= 0) jobs = static_cast<int>(g_get_num_processors());
  BatchRunner runner(std::move(items), jobs, settings);
  return runner.Run();
}

}  // namespace tolvo::tool
