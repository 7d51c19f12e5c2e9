// tolvo's connection to the TolvoEncode control: creates it (by ProgID, or from the control
// library installed beside tolvo when the ProgID is not registered), connects an event sink to
// __TolvoEncode and hands the events to callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tolvo/control/tolvo_encode.h"
#include "tolvo/control/tolvo_encode_events.h"

namespace tolvo::tool {

class ControlSession {
 public:
  // nullptr with *error set (one line, no prefix) when the control cannot be created.
  static std::unique_ptr<ControlSession> Open(std::string* error);
  ~ControlSession();
  ControlSession(const ControlSession&) = delete;
  ControlSession& operator=(const ControlSession&) = delete;

  control::_TolvoEncode& control() { return *control_.get(); }
  control::TolvoEncodeEvents& events() { return *events_; }
  // The genre list once fetched (it never changes while the control lives); empty before.
  std::vector<std::string>& genreNames() { return genreNames_; }

 private:
  ControlSession() = default;

  std::shared_ptr<control::TolvoEncodeEvents> events_;
  runtime::ComPtr<control::_TolvoEncode> control_;
  control::TolvoEncodeConnection connection_;
  std::vector<std::string> genreNames_;
};

// The control library that lies beside this program: in its own folder (the build's output
// folder) or in the installed library folder; empty when neither holds it.
std::string ControlLibraryBesideTool();

// The text of a failed method call: the description of the thread's error object, or the
// HRESULT in hexadecimal when the method set none.
std::string FailureText(runtime::HRESULT hr);

}  // namespace tolvo::tool
