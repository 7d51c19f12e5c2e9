// A scripted engine link for the control's logic tests: it records every request as one line,
// answers from a script, and can raise an engine-host error at a chosen request.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/control_error.h"
#include "tolvo/platform/utf16.h"
#include "tolvo_encode_seams.h"

namespace tolvo::test {

using control::ControlError;

class ScriptedEngine final : public control::EngineLink {
 public:
  // Answers a request; `text` is the CallWindow2 text, which the answer may replace.
  std::function<int32_t(const std::string& command, std::u16string* text, int32_t number)> answer;
  // The request (1-based, Init not counted) that raises this error instead of reaching the engine.
  int failAtRequest = 0;
  ControlError failure{5006, u"Unexpected memory problem"};
  std::u16string controlFolder = u"/nonexistent-control-folder/";

  std::vector<std::string> requests;  // "command|arg|arg|arg", texts as UTF-8
  // The job-end descriptor offered (none by default) and the descriptors given back.
  int32_t jobEndDescriptor = -1;
  int jobEndAsked = 0;
  // Shared, so that a test can read it after the control has deleted its engine link.
  std::shared_ptr<std::vector<int32_t>> jobEndClosed = std::make_shared<std::vector<int32_t>>();
  int inits = 0;
  bool loaded = false;

  void Init() override {
    ++inits;
    loaded = true;
  }
  bool IsLoaded() const override { return loaded; }
  void Deinit() override { loaded = false; }
  std::u16string ControlFolder() const override { return controlFolder; }

  int32_t CallWindow(std::u16string_view command, std::u16string_view first,
                     std::u16string_view second, std::u16string_view third) override {
    const std::string name = platform::Utf16ToUtf8(command);
    Record(name + "|" + platform::Utf16ToUtf8(first) + "|" + platform::Utf16ToUtf8(second) + "|" +
           platform::Utf16ToUtf8(third));
    return Answer(name, nullptr, 0);
  }
  int32_t CallWindowLONG(std::u16string_view command, int32_t first, int32_t second,
                         int32_t third) override {
    const std::string name = platform::Utf16ToUtf8(command);
    Record(name + "|" + std::to_string(first) + "|" + std::to_string(second) + "|" +
           std::to_string(third));
    return Answer(name, nullptr, 0);
  }
  int32_t CallWindow2(std::u16string_view command, std::u16string& text, int32_t number) override {
    const std::string name = platform::Utf16ToUtf8(command);
    Record(name + "|" + platform::Utf16ToUtf8(text) + "| |" + std::to_string(number));
    return Answer(name, &text, number);
  }

  int32_t OpenJobEndSignal() override {
    ++jobEndAsked;
    return jobEndDescriptor;
  }
  void CloseJobEndSignal(int32_t descriptor) override { jobEndClosed->push_back(descriptor); }

  // The commands alone, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> names;
    for (const std::string& r : requests) names.push_back(r.substr(0, r.find('|')));
    return names;
  }

 private:
  void Record(std::string line) {
    requests.push_back(std::move(line));
    if (static_cast<int>(requests.size()) == failAtRequest) throw failure;
  }
  int32_t Answer(const std::string& name, std::u16string* text, int32_t number) {
    return answer ? answer(name, text, number) : 0;
  }
};

// Events as the logic raised them.
struct RaisedEvent {
  RaisedEvent(std::string eventName, int32_t eventNumber = 0, std::u16string eventText = {},
              bool eventFlag = false)
      : name(std::move(eventName)),
        number(eventNumber),
        text(std::move(eventText)),
        flag(eventFlag) {}
  std::string name;
  int32_t number = 0;
  std::u16string text;
  bool flag = false;
  bool operator==(const RaisedEvent&) const = default;
};

class EventRecorder final : public control::ControlEvents, public control::PollTimer {
 public:
  std::vector<RaisedEvent> events;
  bool timerEnabled = false;
  std::function<void(const RaisedEvent&)> onEvent;  // runs after the event is recorded

  void ErrorCode(int32_t number, const std::u16string& description) override {
    Raise({"ErrorCode", number, description, false});
  }
  void Finished() override { Raise({"Finished", 0, u"", false}); }
  void Progress(int32_t percent) override { Raise({"Progress", percent, u"", false}); }
  void ID3v1GenreList(bool clear, const std::u16string& genre) override {
    Raise({"ID3v1GenreList", 0, genre, clear});
  }
  void Enable() override {
    timerEnabled = true;
    events.push_back({"TimerEnabled"});
  }
  void Disable() override {
    timerEnabled = false;
    events.push_back({"TimerDisabled"});
  }
  void TickWhenReadable(int descriptor) override {
    events.push_back({"WatchDescriptor", descriptor});
  }
  void StopWatching() override { events.push_back({"WatchStopped"}); }

 private:
  void Raise(RaisedEvent event) {
    events.push_back(event);
    if (onEvent) onEvent(event);
  }
};

}  // namespace tolvo::test
