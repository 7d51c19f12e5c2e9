// Looking at the files after a failure: stat and open questions, trial files in the output's
// folder, the first bytes of a supposed WAV.
#include "failure_reasons.h"

#include <vector>

#include "tolvo/control/error_codes.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/path_names.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

using platform::FileKind;

constexpr size_t kTrialWriteSize = 1024 * 1024;

platform::FileSystem& Files() { return platform::RealFileSystem(); }

// The nearest existing folder above `path` (or the current folder for a bare name).
std::string ParentOf(const std::string& path) {
  std::string parent = platform::ParentPath(path);
  return parent.empty() ? "." : parent;
}

// Whether a file can be made in `folder` now.
platform::IoStatus TrialCreate(const std::string& folder) {
  const platform::IoResult<std::string> trial = Files().MakeTempFile(folder, ".tolvo-trial-");
  if (!trial) return trial.error();
  Files().Remove(trial->c_str());
  return {};
}

// The folder `levels` steps above the shown name, spelt as the user spelt it (absolute when the
// shown name has fewer parts).
std::string ShownAncestor(const std::string& path, const std::string& shown, int levels) {
  std::string real = path, seen = shown;
  for (int i = 0; i < levels; ++i) {
    real = platform::ParentPath(real);
    seen = platform::ParentPath(seen);
  }
  return seen.empty() ? real : seen;
}

}  // namespace

std::string FileAccessProblem(const std::string& path, bool forWriting) {
  const platform::IoResult<int> fd = Files().Open(
      path.c_str(), forWriting ? platform::OpenMode::kReadWrite : platform::OpenMode::kRead);
  if (!fd) return fd.error().Text();
  Files().Close(*fd);
  return {};
}

bool IsSpecialFile(const std::string& path) {
  const platform::IoResult<platform::FileInfo> info = Files().Stat(path.c_str());
  return info && info->kind == FileKind::kOther;
}

std::string InputProblem(const std::string& path) {
  const platform::IoResult<platform::FileInfo> info = Files().Stat(path.c_str());
  if (info && info->kind == FileKind::kFolder) return "is a directory";
  if (info && info->kind == FileKind::kOther) {
    return "is not a regular file (a pipe or a device); give a pipe as standard input, '-'";
  }
  const std::string problem = FileAccessProblem(path, false);
  return problem.empty() ? problem : "cannot open the input file: " + problem;
}

std::string OutputProblem(const std::string& path, const std::string& shownPath) {
  const platform::IoResult<platform::FileInfo> info = Files().Stat(path.c_str());
  if (info && info->kind == FileKind::kFolder) return "is a directory";
  if (info && info->kind == FileKind::kOther) {
    return "is not a regular file (a pipe or a device); write to a pipe as standard output, '-'";
  }
  if (info && info->kind == FileKind::kFile) {
    const platform::IoResult<int> fd = Files().Open(path.c_str(), platform::OpenMode::kAppend);
    if (!fd) return "cannot write the output file: " + fd.error().Text();
    Files().Close(*fd);
    return {};
  }
  return CreationProblem(path, shownPath, "output file");
}

std::string CreationProblem(const std::string& path, const std::string& shownPath,
                            const std::string& noun) {
  // Find the folder that exists and see whether anything can be made there.
  std::string existing = ParentOf(path);
  int levels = 1;
  while (!Files().Stat(existing.c_str()) && existing != "/" && existing != ".") {
    existing = ParentOf(existing);
    ++levels;
  }
  const platform::IoResult<platform::FileInfo> above = Files().Stat(existing.c_str());
  if (above && above->kind != FileKind::kFolder) {
    return ShownAncestor(path, shownPath, levels) + " is not a directory";
  }
  if (const platform::IoStatus made = TrialCreate(existing); !made) {
    const std::string reason = made.error().Text();
    if (levels == 1) return "cannot create the " + noun + ": " + reason;
    return "cannot create the folder " + ShownAncestor(path, shownPath, 1) + ": " + reason;
  }
  return {};
}

std::string WriteProblem(const std::string& path) {
  const platform::IoResult<std::string> trial =
      Files().MakeTempFile(ParentOf(path), ".tolvo-trial-");
  if (!trial) return trial.error().Text();
  std::string reason;
  {
    platform::IoError error;
    platform::File file =
        platform::File::Open(Files(), trial->c_str(), platform::OpenMode::kReadWrite, &error);
    if (!file.IsOpen()) {
      reason = error.Text();
    } else {
      // A write that meets the limit comes back short; the next one says why.
      std::vector<uint8_t> block(kTrialWriteSize);
      size_t done = 0;
      while (done < block.size()) {
        const platform::IoResult<size_t> written =
            Files().Write(file.fd(), block.data() + done, block.size() - done);
        if (!written) reason = written.error().Text();
        if (!written || *written == 0) break;
        done += *written;
      }
      if (reason.empty() && !file.Sync()) reason = "the data could not be stored";
    }
  }
  Files().Remove(trial->c_str());
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
