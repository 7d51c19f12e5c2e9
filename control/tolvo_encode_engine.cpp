// MP3ClassLink: the engine requests of TolvoEncode carried by its one MP3Class object.
#include "tolvo_encode_engine.h"

#include <utility>

#include "host/control_folder.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::control {

MP3ClassLink::MP3ClassLink(std::string controlFolder) : fixedFolder_(std::move(controlFolder)) {}

MP3Class& MP3ClassLink::Engine() {
  if (!engine_) {
    engine_ = fixedFolder_.empty() ? std::make_unique<MP3Class>()
                                   : std::make_unique<MP3Class>(fixedFolder_);
  }
  return *engine_;
}

void MP3ClassLink::Init() { Engine().Init(false); }

bool MP3ClassLink::IsLoaded() const { return engine_ && engine_->IsLoaded(); }

void MP3ClassLink::Deinit() {
  if (engine_) engine_->Deinit();
}

std::u16string MP3ClassLink::ControlFolder() const { return control::ControlFolder(); }

int32_t MP3ClassLink::CallWindow(std::u16string_view command, std::u16string_view first,
                                 std::u16string_view second, std::u16string_view third) {
  return Engine().CallWindow(command, first, second, third);
}

int32_t MP3ClassLink::CallWindowLONG(std::u16string_view command, int32_t first, int32_t second,
                                     int32_t third) {
  return Engine().CallWindowLONG(command, first, second, third);
}

int32_t MP3ClassLink::CallWindow2(std::u16string_view command, std::u16string& text,
                                  int32_t number) {
  // The bridge hands all three texts back; only the first argument carries a result.
  std::u16string commandText(command);
  std::u16string blank = u" ";
  return Engine().CallWindow2(commandText, text, blank, number);
}

int32_t MP3ClassLink::OpenJobEndSignal() {
  return Engine().CallWindowLONG(engine::commands::kJobEventFd, 0, 0, 0);
}

void MP3ClassLink::CloseJobEndSignal(int32_t descriptor) {
  Engine().CallWindowLONG(engine::commands::kCloseJobEventFd, descriptor, 0, 0);
}

}  // namespace tolvo::control
