// A minimal host for the end-to-end conversion tests: loads the encoder and engine libraries from
// a folder as the control does, runs one encode through interface1 and prints "result=<n>".
// Usage: encode_once LIBRARY_FOLDER PROGRAM_FOLDER INPUT OUTPUT BITRATE
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace {

using Interface1 = int32_t (*)(const char*, intptr_t, intptr_t, intptr_t);

intptr_t Text(const std::string& text) { return reinterpret_cast<intptr_t>(text.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fputs("usage: encode_once LIBRARY_FOLDER PROGRAM_FOLDER INPUT OUTPUT BITRATE\n", stderr);
    return 2;
  }
  const std::string libraries = argv[1], programFolder = argv[2], input = argv[3], output = argv[4];
  // The encoder library first, by full path: the engine's bind by bare name then finds it.
  tolvo::platform::Library encoderLibrary(
      tolvo::platform::LoadLibrary(libraries + "/" + tolvo::kEncoderLibraryName));
  tolvo::platform::Library engineLibrary(
      tolvo::platform::LoadLibrary(libraries + "/" + tolvo::kEngineLibraryName));
  if (!encoderLibrary || !engineLibrary) {
    std::fprintf(stderr, "cannot load: %s\n", tolvo::platform::LastLibraryError().c_str());
    return 3;
  }
  auto interface1 =
      reinterpret_cast<Interface1>(tolvo::platform::FindSymbol(engineLibrary.get(), "interface1"));
  if (!interface1) return 3;

  interface1("passpath", Text(programFolder), 0, 0);
  interface1("bitrate", std::stoi(argv[5]), 0, 0);
  interface1("vbr", 0, 0, 0);
  interface1("stereomode", 1, 0, 0);
  interface1("quality", 0, 0, 0);
  if (interface1("passfiles", Text(input), Text(output), 0) != 0) return 4;
  int32_t result = 0;
  for (int polls = 0; (result = interface1("intreturn", 0, 0, 0)) == 1000; ++polls) {
    if (polls > 2400) {  // two minutes
      interface1("cancel", 0, 0, 0);
      return 5;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::printf("result=%d\n", result);
  // The engine stays loaded until the process ends, as in a real host.
  engineLibrary.Release();
  encoderLibrary.Release();
  return 0;
}
