// How the batch runner and its worker processes speak. The runner sends each file as a job on the
// worker's standard input: four fields, each ended by a NUL byte, since a path may hold any other
// byte (a newline too). The worker answers on standard output, one line per report.
#pragma once

#include <istream>
#include <string>
#include <string_view>

namespace tolvo::tool {

struct WorkerJob {
  std::string input;       // absolute path
  std::string output;      // absolute path
  std::string shownInput;  // the names that messages use
  std::string shownOutput;
};

// The job as the runner writes it.
std::string WorkerJobBytes(const WorkerJob& job);
// The next job; false at the end of the input (a job cut short counts as none).
bool ReadWorkerJob(std::istream& in, WorkerJob* job);

// While a file encodes: "progress N" and "warning TEXT". Then exactly one final report.
namespace worker_report {
inline constexpr std::string_view kProgress = "progress ";
inline constexpr std::string_view kWarning = "warning ";
inline constexpr std::string_view kDone = "done";
inline constexpr std::string_view kCancelled = "cancelled ";  // and the seconds the output holds
inline constexpr std::string_view kFailed = "failed ";        // and the message
// An interrupt came before the file was begun: nothing of it was touched.
inline constexpr std::string_view kSkipped = "skipped";
}  // namespace worker_report

// A report line: the kind followed by `text`, with any line break in the text (from a file name)
// made a blank so that the line stays one.
std::string ReportLine(std::string_view kind, std::string_view text = {});

}  // namespace tolvo::tool
