#include "worker_job.h"

namespace tolvo::tool {

std::string WorkerJobBytes(const WorkerJob& job) {
  std::string bytes;
  for (const std::string* field : {&job.input, &job.output, &job.shownInput, &job.shownOutput}) {
    bytes += *field;
    bytes += '\0';
  }
  return bytes;
}

bool ReadWorkerJob(std::istream& in, WorkerJob* job) {
  for (std::string* field : {&job->input, &job->output, &job->shownInput, &job->shownOutput}) {
    // A field without its NUL (the end came first) is cut short.
    if (!std::getline(in, *field, '\0') || in.eof()) return false;
  }
  return true;
}

std::string ReportLine(std::string_view kind, std::string_view text) {
  std::string line(kind);
  for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  return line;
}

}  // namespace tolvo::tool
