// The control's engine link over MP3Class: the MP3Class object is created on first use and kept
// until the control is destroyed.
#pragma once

#include <memory>

#include "host/mp3_class.h"
#include "tolvo_encode_seams.h"

namespace tolvo::control {

class MP3ClassLink final : public EngineLink {
 public:
  MP3ClassLink() = default;
  // A fixed control's folder instead of the folder of the library that holds MP3Class.
  explicit MP3ClassLink(std::string controlFolder);

  void Init() override;
  bool IsLoaded() const override;
  void Deinit() override;
  std::u16string ControlFolder() const override;
  int32_t CallWindow(std::u16string_view command, std::u16string_view first,
                     std::u16string_view second, std::u16string_view third) override;
  int32_t CallWindowLONG(std::u16string_view command, int32_t first, int32_t second,
                         int32_t third) override;
  int32_t CallWindow2(std::u16string_view command, std::u16string& text, int32_t number) override;
  int32_t OpenJobEndSignal() override;
  void CloseJobEndSignal(int32_t descriptor) override;

 private:
  MP3Class& Engine();

  std::string fixedFolder_;
  std::unique_ptr<MP3Class> engine_;
};

}  // namespace tolvo::control
