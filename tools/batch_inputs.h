// The files of a batch: WAV files named on the command line, and the .wav files of folders named
// there (every level below with `recursive`), each with the place of its MP3 in the output folder.
#pragma once

#include <string>
#include <vector>

namespace tolvo::tool {

struct BatchInput {
  std::string input;   // as the user would name it ("music/a.wav")
  std::string output;  // relative to the output folder: "a.mp3", or "sub/a.mp3" below a folder
};

// false with *problem (naming the folder and the reason) when a folder cannot be read or holds no
// .wav file. Names that are not folders are taken as files, whatever they are.
bool ExpandBatchInputs(const std::vector<std::string>& given, bool recursive,
                       std::vector<BatchInput>* inputs, std::string* problem);

}  // namespace tolvo::tool
