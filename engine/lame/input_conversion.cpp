// Conversion of 8-bit PCM input: the converter program writes a 16-bit copy into the temporary
// folder and the job's input switches to it; the job deletes the copy when it ends.
#include "lame/input_conversion.h"

#include <string>

#include "core/engine_state.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "lame/converter_runner.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/folder_tree.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

// The job's conversion bookkeeping. Only the job thread touches it; consecutive jobs are ordered
// by the jobState word, which the caller sees change before it may start the next job.
struct ConversionState {
  bool convertedInput = false;  // a conversion started in this job
  std::string privateFolder;    // the folder of this job's copy, only this user may enter it
  std::string copyPath;         // where this job's copy is written (known once it started)
  std::string convertedPath;    // the copy, once the conversion succeeded
};

ConversionState& Conversion() {
  static ConversionState state;
  return state;
}

void RemoveFile(const std::string& path) {
  if (!path.empty()) platform::RealFileSystem().Remove(path.c_str());
}

}  // namespace

void ResetConversion() { Conversion() = ConversionState{}; }

int ConvertToPcm16() {
  ConversionState& conversion = Conversion();
  EngineState& state = State();
  conversion.convertedInput = true;

  // The copy lives in a fresh folder of this process that no other user can enter: nothing can
  // be planted there or swapped for it, and no stale copy can pass for the program's output.
  std::string folder = SystemTempFolder();
  if (folder.size() > 1) folder.pop_back();  // its trailing separator
  platform::FileSystem& fs = platform::RealFileSystem();
  fs.RemoveDeadLeftovers(folder, kConvertedCopyPrefix);
  const platform::IoResult<std::string> made =
      fs.MakePrivateFolder(folder, platform::ProcessTempPrefix().c_str());
  if (!made) return 1;
  conversion.privateFolder = *made;
  const std::string copyPath = ConvertedCopyPath(conversion.privateFolder);
  if (copyPath.size() >= kPathFieldSize) return 1;  // the job could not name it as its input
  conversion.copyPath = copyPath;

  // A program that failed may have left a partial or wrong copy: only its success counts.
  const int32_t exitCode =
      RunConverter(ConverterArguments(state.programFolder, state.inputPath, copyPath));
  if (exitCode != 0 || !IsExistingFile(copyPath)) return 1;
  conversion.convertedPath = copyPath;
  CopyPathField(state.inputPath, copyPath.c_str());
  Trace("input converted to %s\n", copyPath.c_str());
  return 0;
}

void DeleteConvertedInput() {
  ConversionState& conversion = Conversion();
  if (!conversion.convertedInput) return;
  // The folder is known from the start, so even a copy left by a failed job goes, with whatever
  // else the program left there.
  RemoveFile(conversion.copyPath);
  platform::RemoveTree(conversion.privateFolder);
  conversion.privateFolder.clear();
}

}  // namespace tolvo::engine
