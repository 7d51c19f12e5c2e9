// A private folder that plays the control's folder in the engine host's tests: the test puts the
// engine and encoder libraries it needs there and reads what the recording engine logged.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "tolvo/system_files.h"

namespace tolvo::test {

class EngineFolder {
 public:
  const std::string& path() const { return dir_.path(); }
  std::string EnginePath() const { return dir_ / kEngineLibraryName; }

  EngineFolder& WithEngine(const char* builtLibrary) {
    Copy(builtLibrary, kEngineLibraryName);
    return *this;
  }
  EngineFolder& WithEncoder() {
    Copy(STANDIN_ENCODER_PATH, kEncoderLibraryName);
    return *this;
  }

  // Lines of the recording engine's log: "load", "unload" and one per call.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::ifstream in(dir_ / "calls.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Only the calls, without the load and unload lines.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const auto& line : Log()) {
      if (line != "load" && line != "unload") calls.push_back(line);
    }
    return calls;
  }
  int CountOf(const std::string& line) const {
    int count = 0;
    for (const auto& l : Log()) count += l == line;
    return count;
  }
  // Whether the module is in memory now: the log's last load is not followed by an unload.
  bool EngineInMemory() const {
    bool inMemory = false;
    for (const auto& line : Log()) {
      if (line == "load") inMemory = true;
      if (line == "unload") inMemory = false;
    }
    return inMemory;
  }

 private:
  void Copy(const char* from, const char* name) {
    std::filesystem::copy_file(from, dir_ / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  TempDir dir_;
};

}  // namespace tolvo::test
