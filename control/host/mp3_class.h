// MP3Class: the control's private gateway to the engine. It loads the engine library and the
// encoder library from the control's own folder, finds interface1, tells the engine that folder,
// and carries every request to interface1 through three bridges that turn the control's UTF-16
// texts into the engine's 8-bit buffers and back. Failures are raised as ControlError (5006-5008).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/utf16.h"

namespace tolvo::control {

// The engine's entry point.
using EngineEntry = int32_t (*)(const char* command, intptr_t a1, intptr_t a2, intptr_t a3);

// CallWindow2 gives a second text shorter than this many characters extra room for a result.
inline constexpr size_t kUnpaddedResultLength = 299;
inline constexpr size_t kResultPadding = 300;

// Pads a text that will carry a result the way CallWindow2 does (300 NULs when it is shorter than
// 299 characters) and returns its room: the most characters a result may have.
size_t MakeResultRoom(std::u16string& text);

// One 8-bit buffer for the engine: the text with one NUL appended, converted.
std::string MakeEngineBuffer(std::u16string_view text);

class MP3Class {
 public:
  // The control's folder is the folder of the library file that holds this class.
  MP3Class();
  // An explicit control's folder (UTF-8, no trailing '/').
  explicit MP3Class(std::string controlFolder);
  // Gives back every engine reference this object still holds. The owner cancels a running encode
  // first (the control does so when it terminates), as the job runs inside the engine library.
  ~MP3Class() = default;
  MP3Class(const MP3Class&) = delete;
  MP3Class& operator=(const MP3Class&) = delete;

  // Loads the engine (a no-op once loaded unless forced). Raises 5007 or 5008.
  void Init(bool fOrceinit);
  bool IsLoaded() const { return loaded_; }
  // Releases every engine reference this object took; nothing when it is not loaded.
  void Deinit();

  // Four texts; returns the engine's number. Raises 5007 when the engine is not ready.
  int32_t CallWindow(std::u16string_view string11, std::u16string_view string22,
                     std::u16string_view string33, std::u16string_view string44);
  // A command and three numbers; the numbers by reference are only read.
  int32_t CallWindowLONG(std::u16string_view string11, const int32_t& string22,
                         const int32_t& string33, int32_t string44);
  // Three texts that come back as the engine left them (cut at their first NUL) and a number.
  // Raises 5007, or 5006 when the second text comes back longer than its room.
  int32_t CallWindow2(std::u16string& string11, std::u16string& string22, std::u16string& string33,
                      int32_t string44);

  // How many engine references this object holds now.
  size_t EngineReferenceCount() const { return engineReferences_.size(); }

 private:
  void CheckEngineReady() const;
  std::string LibraryPath(const char* fileName) const;

  std::string folder_;  // UTF-8, no trailing '/'
  std::u16string enginePath_;
  platform::LibraryHandle engineHandle_ = nullptr;
  EngineEntry entry_ = nullptr;
  bool loaded_ = false;
  // One per successful load of the engine library by this object, released by Deinit.
  std::vector<platform::Library> engineReferences_;
};

}  // namespace tolvo::control
