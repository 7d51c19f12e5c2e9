// Hosting the built control the way a program does: a private registry file, DllRegisterServer of
// the library in the output folder, CreateObject by ProgID, a sink on the event connection point
// and the thread's main loop to let Timer1 tick.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "tolvo/control/tolvo_encode.h"
#include "tolvo/runtime/connection_point.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/message_loop.h"
#include "tolvo/system_files.h"

namespace tolvo::test {

using namespace tolvo::runtime;
using control::_TolvoEncode;

inline std::string BuiltControlPath() { return OutDir() + "/" + kControlLibraryName; }
inline std::u16string U16(const std::string& utf8) {  // ASCII and the test's own Latin texts
  std::u16string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += char16_t(b);
    } else {  // two-byte UTF-8 only
      out += char16_t(((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    }
  }
  return out;
}

// One event as a sink heard it: the arguments read through their references.
struct Heard {
  DISPID dispid = 0;
  int32_t number = 0;   // ErrorNumber, ProgressAsLong
  std::u16string text;  // ErrorDescription, Genre
  bool flag = false;    // ClearFlag
  std::vector<uint16_t> types;
  std::thread::id thread = std::this_thread::get_id();  // where the event was raised
};

class EventSink final : public UnknownObject<IDispatch, IID_IDispatch> {
 public:
  std::vector<Heard> heard;

  HRESULT GetIDsOfNames(std::span<const std::u16string>, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, DispParams& params, Variant*, ExcepInfo*) override {
    Heard h;
    h.dispid = id;
    for (Variant& v : params.arguments) {
      h.types.push_back(v.Type());
      if (v.BaseType() == VT_I4) h.number = v.I4();
      if (v.BaseType() == VT_BSTR) h.text = v.Bstr();
      if (v.BaseType() == VT_BOOL) h.flag = v.Bool();
      // A handler that scribbles over its arguments must not change the control.
      if (int32_t* n = v.I4Ptr()) *n = -777;
      if (std::u16string* s = v.BstrPtr()) *s = u"scribbled";
    }
    heard.push_back(std::move(h));
    return S_OK;
  }
  // The end of a job: ErrorCode, Finished, Progress(100) as the last three events.
  bool JobEnded() const {
    const size_t n = heard.size();
    return n >= 3 && heard[n - 2].dispid == control::kDispidFinished;
  }
  std::vector<Heard> Of(DISPID id) const {
    std::vector<Heard> out;
    for (const Heard& h : heard) {
      if (h.dispid == id) out.push_back(h);
    }
    return out;
  }

 private:
  ~EventSink() override = default;
};

class ControlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TOLVO_REGISTRY_FILE", (dir_ / "registry.ini").c_str(), 1);
    ASSERT_EQ(RegisterServer(BuiltControlPath()), S_OK);
    ClearErrorInfo();
  }
  void TearDown() override { unsetenv("TOLVO_REGISTRY_FILE"); }

  ComPtr<_TolvoEncode> Create() {
    ComPtr<_TolvoEncode> control;
    EXPECT_EQ(
        CreateObject(control::kTolvoEncodeProgId, control::IID__TolvoEncode, control.PutVoid()),
        S_OK);
    return control;
  }
  // Connects a new sink; the test keeps it (and its reference) for its whole run.
  EventSink* Connect(const ComPtr<_TolvoEncode>& control) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(control.As(IID_IConnectionPointContainer, &container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(control::DIID___TolvoEncode, point.Put()), S_OK);
    auto* sink = new EventSink();
    sinks_.push_back(ComPtr<EventSink>::Adopt(sink));
    uint32_t cookie = 0;
    EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
    return sink;
  }
  // Runs the main loop until the sink heard the end of a job (at most 30 s).
  static bool WaitForEnd(const EventSink* sink) {
    return RunLoopUntil([sink] { return sink->JobEnded(); }, 30000);
  }
  std::u16string Path(const std::string& name) const { return U16(dir_ / name); }
  std::u16string Wav(const std::string& name, double seconds = 1.0) const {
    WriteWav(dir_ / name, WavFormat{.frames = static_cast<int64_t>(44100 * seconds)});
    return Path(name);
  }

  TempDir dir_;
  std::vector<ComPtr<EventSink>> sinks_;
};

}  // namespace tolvo::test
