// Loading and releasing the engine: MP3Class::Init, IsLoaded and Deinit. Each object counts the
// engine references it took and gives back exactly those, so dlopen's reference count keeps the
// engine loaded while any other control instance of the process still holds it.
#include "host/mp3_class.h"

#include <utility>

#include "host/control_error.h"
#include "host/control_folder.h"
#include "tolvo/system_files.h"

namespace tolvo::control {
namespace {

// An address inside the library that holds MP3Class, to find that library's folder.
void ControlLibraryAnchor() {}

std::string FolderOfControlLibrary() {
  return platform::ModuleFolderOf(reinterpret_cast<const void*>(&ControlLibraryAnchor));
}

[[noreturn]] void Raise(int32_t number, std::u16string description) {
  throw ControlError{number, std::move(description) + kSupportContact};
}

}  // namespace

MP3Class::MP3Class() : MP3Class(FolderOfControlLibrary()) {}

MP3Class::MP3Class(std::string controlFolder) : folder_(std::move(controlFolder)) {
  // The root folder "/" is the one folder that keeps its separator; drop any other trailing one.
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

std::string MP3Class::LibraryPath(const char* fileName) const {
  return (folder_.ends_with('/') ? folder_ : folder_ + "/") + fileName;
}

void MP3Class::Init(bool fOrceinit) {
  if (!fOrceinit && loaded_) return;

  SetControlFolder(platform::Utf8ToUtf16(folder_.ends_with('/') ? folder_ : folder_ + "/"));

  const std::string enginePath = LibraryPath(kEngineLibraryName);
  enginePath_ = platform::Utf8ToUtf16(enginePath);
  // Without a known folder there is no full path to load from; a bare name would search elsewhere.
  platform::Library engine(folder_.empty() ? nullptr : platform::LoadLibrary(enginePath));
  engineHandle_ = engine.get();
  if (!engine) {
    Raise(kErrorEngineLibrary,
          u"Error loading a required dll , " + enginePath_ + u" please contact the developer ");
  }
  engineReferences_.push_back(std::move(engine));

  // Loaded by full path and never released: the engine later asks for the encoder by its bare
  // name and is handed this same module.
  if (!platform::LoadLibrary(LibraryPath(kEncoderLibraryName))) {
    Raise(kErrorEncoderLibrary, u"Error loading a required dll , " +
                                    platform::Utf8ToUtf16(kEncoderLibraryName) +
                                    u" please contact the developer ");
  }

  entry_ = reinterpret_cast<EngineEntry>(platform::FindSymbol(engineHandle_, "interface1"));
  if (!entry_) {
    Raise(kErrorEngineLibrary,
          u"Error locating the interface1 function on a required dll , please contact the "
          u"developer ");
  }

  // The folder goes as its own bytes, so a name that is not valid UTF-8 still reaches the engine
  // unchanged; the result is not examined.
  char command[] = "passpath";
  std::string folder = folder_;
  char blank1[] = " ";
  char blank2[] = " ";
  entry_(command, reinterpret_cast<intptr_t>(folder.c_str()), reinterpret_cast<intptr_t>(blank1),
         reinterpret_cast<intptr_t>(blank2));

  loaded_ = true;
}

void MP3Class::Deinit() {
  if (!loaded_) return;
  loaded_ = false;
  engineHandle_ = nullptr;
  entry_ = nullptr;
  engineReferences_.clear();  // one release per load this object made
}

}  // namespace tolvo::control
