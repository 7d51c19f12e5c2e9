// Looking at the files after a failure: stat and open questions, trial files in the output's
// folder, the first bytes of a supposed WAV.
#include "failure_reasons.h"

#include <filesystem>
#include <vector>

#include "tolvo/control/error_codes.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/system_error.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

namespace fs = std::filesystem;
using platform::FileKind;

constexpr size_t kTrialWriteSize = 1024 * 1024;

platform::FileSystem& Files() { return platform::RealFileSystem(); }

std::string Reason(int error) { return platform::SystemErrorText(error); }

// The nearest existing folder above `path` (or the current folder for a bare name).
std::string ParentOf(const std::string& path) {
  std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

// Whether a file can be made in `folder` now; 0 or the error number.
int TrialCreate(const std::string& folder) {
  std::string trial;
  platform::IoStatus status = Files().MakeTempFile(folder, ".tolvo-trial-", &trial);
  if (!status) return status.error;
  Files().Remove(trial.c_str());
  return 0;
}

// The folder `levels` steps above the shown name, spelt as the user spelt it (absolute when the
// shown name has fewer parts).
std::string ShownAncestor(const std::string& path, const std::string& shown, int levels) {
  fs::path real(path), seen(shown);
  for (int i = 0; i < levels; ++i) {
    real = real.parent_path();
    seen = seen.parent_path();
  }
  return seen.empty() ? real.string() : seen.string();
}

}  // namespace

std::string FileAccessProblem(const std::string& path, bool forWriting) {
  int fd = Files().Open(path.c_str(),
                        forWriting ? platform::OpenMode::kReadWrite : platform::OpenMode::kRead);
  if (fd < 0) return Reason(-fd);
  Files().Close(fd);
  return {};
}

bool IsSpecialFile(const std::string& path) {
  return Files().Stat(path.c_str()).kind == FileKind::kOther;
}

std::string InputProblem(const std::string& path) {
  platform::FileInfo info = Files().Stat(path.c_str());
  if (info.kind == FileKind::kFolder) return "is a directory";
  if (info.kind == FileKind::kOther) {
    return "is not a regular file (a pipe or a device); give a pipe as standard input, '-'";
  }
  int fd = Files().Open(path.c_str(), platform::OpenMode::kRead);
  if (fd < 0) return "cannot open the input file: " + Reason(-fd);
  Files().Close(fd);
  return {};
}

std::string OutputProblem(const std::string& path, const std::string& shownPath) {
  platform::FileInfo info = Files().Stat(path.c_str());
  if (info.kind == FileKind::kFolder) return "is a directory";
  if (info.kind == FileKind::kOther) {
    return "is not a regular file (a pipe or a device); write to a pipe as standard output, '-'";
  }
  if (info.kind == FileKind::kFile) {
    int fd = Files().Open(path.c_str(), platform::OpenMode::kAppend);
    if (fd < 0) return "cannot write the output file: " + Reason(-fd);
    Files().Close(fd);
    return {};
  }
  return CreationProblem(path, shownPath, "output file");
}

std::string CreationProblem(const std::string& path, const std::string& shownPath,
                            const std::string& noun) {
  // Find the folder that exists and see whether anything can be made there.
  std::string existing = ParentOf(path);
  int levels = 1;
  while (Files().Stat(existing.c_str()).kind == FileKind::kMissing && existing != "/" &&
         existing != ".") {
    existing = ParentOf(existing);
    ++levels;
  }
  FileKind above = Files().Stat(existing.c_str()).kind;
  if (above != FileKind::kFolder && above != FileKind::kMissing) {
    return ShownAncestor(path, shownPath, levels) + " is not a directory";
  }
  if (int error = TrialCreate(existing); error != 0) {
    if (levels == 1) return "cannot create the " + noun + ": " + Reason(error);
    return "cannot create the folder " + ShownAncestor(path, shownPath, 1) + ": " + Reason(error);
  }
  return {};
}

std::string WriteProblem(const std::string& path) {
  std::string trial;
  platform::IoStatus status = Files().MakeTempFile(ParentOf(path), ".tolvo-trial-", &trial);
  if (!status) return Reason(status.error);
  std::string reason;
  {
    int error = 0;
    platform::File file =
        platform::File::Open(Files(), trial.c_str(), platform::OpenMode::kReadWrite, &error);
    if (!file.IsOpen()) {
      reason = Reason(error);
    } else {
      // A write that meets the limit comes back short; the next one says why.
      std::vector<uint8_t> block(kTrialWriteSize);
      size_t done = 0;
      while (done < block.size()) {
        int64_t written = Files().Write(file.fd(), block.data() + done, block.size() - done);
        if (written <= 0) {
          if (written < 0) reason = Reason(static_cast<int>(-written));
          break;
        }
        done += static_cast<size_t>(written);
      }
      if (reason.empty() && !file.Sync()) reason = "the data could not be stored";
    }
  }
  Files().Remove(trial.c_str());
  return reason;
}

std::string WavProblem(const std::string& path) {
  // The engine has no words for why; the shared chunk walk tells what the file is.
  std::string what = DescribeWavFile(path);
  if (what.empty()) return "cannot read the input file";
  if (what.starts_with("not a WAV file")) return what;
  return "cannot encode this file: " + what;
}

std::string DescribeEncodeFailure(const EncodeFailureFacts& f, bool verbose) {
  std::string subject = f.input;
  std::string what;
  switch (f.number) {
    case control::kErrorSameFile:
      what = "is the same file as the output " + f.output;
      break;
    case control::kErrorInputEmpty:
    case control::kErrorInputInvalid:
    case engine::kJobCannotOpenInput:
      // It opens: then its first bytes are what the control could not take.
      what = InputProblem(f.inputPath);
      if (what.empty()) what = WavProblem(f.inputPath);
      break;
    case engine::kJobInvalidWave:
      what = WavProblem(f.inputPath);
      break;
    case control::kErrorOutputEmpty:
    case engine::kJobMissingFileName:
      subject = f.output;
      what = "the output name has no file name";
      break;
    case engine::kJobCannotCreateOutput:
    case engine::kJobCannotCreateFolder:
      subject = f.output;
      what = OutputProblem(f.outputPath, f.output);
      if (what.empty()) {
        what = f.number == engine::kJobCannotCreateOutput ? "cannot create the output file"
                                                          : "cannot create the output folder";
      }
      break;
    case engine::kJobOutputWriteFailed: {
      subject = f.output;
      std::string reason = WriteProblem(f.outputPath);
      what = "writing the output file failed" + (reason.empty() ? "" : ": " + reason);
      break;
    }
    case engine::kJobStreamRefused:
      what = "the encoder refused these settings for this input";
      break;
    case engine::kJobEncoderNotBound:
      what = "the encoder library cannot be loaded";
      break;
    case engine::kJobEncoderFailed:
      what = "the encoder failed while encoding";
      break;
    default:
      what = f.controlText;
      break;
  }
  std::string line = subject + ": " + what;
  if (verbose && f.number != 0) {
    line += " (error " + std::to_string(f.number) + ": " + f.controlText + ")";
  }
  return line;
}

}  // namespace tolvo::tool
