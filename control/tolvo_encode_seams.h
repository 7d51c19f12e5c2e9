// The seams between TolvoEncode and its logic: the engine requests (MP3Class in the control, a
// scripted engine in tests), the events the logic raises and the polling timer it switches.
// Engine requests may throw ControlError (5006-5008); the control's method boundary catches it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvo::control {

class EngineLink {
 public:
  virtual ~EngineLink() = default;
  // Loads the engine unless it is loaded (MP3Class::Init with fOrceinit false).
  virtual void Init() = 0;
  virtual bool IsLoaded() const = 0;
  // Releases this control's references on the engine; nothing when it is not loaded.
  virtual void Deinit() = 0;
  // The control's folder with a trailing '/', known once Init has run on this thread.
  virtual std::u16string ControlFolder() const = 0;

  // Texts in, number out. Unused texts are " ".
  virtual int32_t CallWindow(std::u16string_view command, std::u16string_view first,
                             std::u16string_view second, std::u16string_view third) = 0;
  // Numbers in. Unused numbers are 0.
  virtual int32_t CallWindowLONG(std::u16string_view command, int32_t first, int32_t second,
                                 int32_t third) = 0;
  // `text` goes as the engine's first argument and comes back as the engine left it; " " goes as
  // the second and `number` as the third.
  virtual int32_t CallWindow2(std::u16string_view command, std::u16string& text,
                              int32_t number) = 0;

  // A descriptor that becomes readable each time a job stores its result ("jobeventfd"); a
  // number below 3 when the engine offers none. An engine that does not know the command
  // answers 0, which reads as none.
  virtual int32_t OpenJobEndSignal() { return -1; }
  // Gives a descriptor of OpenJobEndSignal back to the engine ("closejobeventfd").
  virtual void CloseJobEndSignal(int32_t) {}
};

// The events of __TolvoEncode, raised synchronously to every connected sink.
class ControlEvents {
 public:
  virtual ~ControlEvents() = default;
  virtual void ErrorCode(int32_t errorNumber, const std::u16string& errorDescription) = 0;
  virtual void Finished() = 0;
  virtual void Progress(int32_t progressAsLong) = 0;
  virtual void ID3v1GenreList(bool clearFlag, const std::u16string& genre) = 0;
};

// Timer1, the 250 ms polling timer of an encode.
class PollTimer {
 public:
  virtual ~PollTimer() = default;
  virtual void Enable() = 0;
  virtual void Disable() = 0;
  // While enabled, the timer also ticks at once whenever the descriptor becomes readable.
  virtual void TickWhenReadable(int descriptor) = 0;
  virtual void StopWatching() = 0;
};

}  // namespace tolvo::control
