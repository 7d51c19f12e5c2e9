// A stand-in engine library that passes every call of interface1 on to the real engine (the file
// "real-engine.so" beside it) and writes each command's name as a line of "commands.log" there,
// so a test can count what a run of tolvo asked of the engine.
#include <cstdint>
#include <fstream>
#include <string>

#include "tolvo/platform/dynamic_library.h"

namespace {

using Entry = int32_t (*)(const char* command, intptr_t a1, intptr_t a2, intptr_t a3);

const std::string& Folder() {
  static const std::string folder =
      tolvo::platform::ModuleFolderOf(reinterpret_cast<const void*>(&Folder));
  return folder;
}

// Loaded on the first call and kept for the life of the process, like the engine itself.
Entry RealEntry() {
  static const Entry entry = [] {
    tolvo::platform::LibraryHandle real =
        tolvo::platform::LoadLibrary(Folder() + "/real-engine.so");
    return real ? reinterpret_cast<Entry>(tolvo::platform::FindSymbol(real, "interface1"))
                : nullptr;
  }();
  return entry;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t interface1(const char* command,
                                                                     intptr_t a1, intptr_t a2,
                                                                     intptr_t a3) {
  std::ofstream(Folder() + "/commands.log", std::ios::app) << (command ? command : "") << '\n';
  const Entry real = RealEntry();
  return real ? real(command, a1, a2, a3) : -1;
}
