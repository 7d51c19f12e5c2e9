// TolvoEncode, the control object: the early-bound and late-bound _TolvoEncode, the connection
// point of __TolvoEncode, the 550 x 550 twips size rule, empty persistence and termination. The
// encode and tag logic lives in EncodeOrchestration and the tag methods; this class owns the
// state of one instance and turns engine-host errors into the caller's error object.
#pragma once

#include <memory>
#include <new>

#include "encode_orchestration.h"
#include "host/control_error.h"
#include "tolvo/control/control_site.h"
#include "tolvo/control/encoder_tuning.h"
#include "tolvo/control/tolvo_encode.h"
#include "tolvo/runtime/apartment.h"
#include "tolvo/runtime/connection_point.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/message_loop.h"
#include "tolvo_encode_seams.h"

namespace tolvo::control {

inline constexpr int32_t kControlSizeTwips = 550;
// The source that hosts see with the engine host's errors.
inline constexpr char16_t kErrorSource[] = u"TolvoMP3Encode130.TolvoEncode";
// The object's name in the error of a call from a thread other than its own.
inline constexpr char16_t kObjectName[] = u"The TolvoEncode control";

class TolvoEncode final : public _TolvoEncode,
                          public runtime::IConnectionPointContainer,
                          public IControlExtent,
                          public IPersistPropertyBag,
                          public IEncoderTuning,
                          private ControlEvents,
                          private PollTimer {
 public:
  // Starts with one reference, belonging to the calling thread's apartment. The engine link
  // defaults to the control's own MP3Class.
  TolvoEncode();
  explicit TolvoEncode(std::unique_ptr<EngineLink> engine);

  // The control's context: the creating thread's main context, on which Timer1 ticks and every
  // event is raised. Whatever else the control watches attaches here too.
  GMainContext* Context() const { return apartment_.Context(); }

  // IUnknown
  HRESULT QueryInterface(const Guid& iid, void** out) override;
  uint32_t AddRef() override;
  // The last Release terminates the control: a job is cancelled and the engine released.
  uint32_t Release() override;

  // IDispatch
  HRESULT GetIDsOfNames(std::span<const std::u16string> names, DISPID* ids) override;
  HRESULT Invoke(DISPID id, runtime::DispParams& params, Variant* result,
                 runtime::ExcepInfo* excep) override;

  // _TolvoEncode
  HRESULT MP3EncodePause(Variant* result) override;
  HRESULT MP3EncodeResume(Variant* result) override;
  HRESULT MP3EncodeCancel(Variant* result) override;
  HRESULT MP3Encode(const std::u16string& Inputfile, const std::u16string& OutPutFile,
                    int32_t Bitrate, const std::u16string& StereoMode,
                    const std::u16string& MP3Quality, int32_t VBR, int32_t VBRMaxBitrate,
                    Variant* result) override;
  HRESULT About(Variant* result) override;
  HRESULT ControlName(std::u16string* result) override;
  HRESULT SelectProcessPriority(int32_t NewLevel, Variant* result) override;
  HRESULT Read_ID3_v1_tag(const std::u16string& filename, int32_t* Track, std::u16string* Title,
                          std::u16string* Artist, std::u16string* Album, std::u16string* Year,
                          int32_t* Genre, std::u16string* Comment, int32_t* result) override;
  HRESULT Generate_ID3v1Genre(Variant* result) override;
  HRESULT Write_ID3_v1_tag(const std::u16string& filename, int32_t Track,
                           const std::u16string& Title, const std::u16string& Artist,
                           const std::u16string& Album, const std::u16string& Year, int32_t Genre,
                           const std::u16string& Comment, int32_t* result) override;
  HRESULT Remove_ID3V1_tag(const std::u16string& filename, int32_t* result) override;
  HRESULT Read_ID3_v2_tag(const std::u16string& filename, std::u16string* Track,
                          std::u16string* Title, std::u16string* Artist, std::u16string* Album,
                          std::u16string* Year, std::u16string* Genre, std::u16string* Comment,
                          std::u16string* EncodedBy, std::u16string* URL, std::u16string* Copyright,
                          std::u16string* OriginalArtist, std::u16string* Composer,
                          int32_t* result) override;
  HRESULT Write_ID3_v2_tag(const std::u16string& filename, const std::u16string& Track,
                           const std::u16string& Title, const std::u16string& Artist,
                           const std::u16string& Album, const std::u16string& Year,
                           const std::u16string& Genre, const std::u16string& Comment,
                           const std::u16string& EncodedBy, const std::u16string& URL,
                           const std::u16string& Copyright, const std::u16string& OriginalArtist,
                           const std::u16string& Composer, int32_t* result) override;
  HRESULT Remove_ID3V2_tag(const std::u16string& filename, int32_t* result) override;

  // IConnectionPointContainer
  HRESULT FindConnectionPoint(const Guid& iid, runtime::IConnectionPoint** point) override;

  // IControlExtent
  HRESULT SetExtent(int32_t widthTwips, int32_t heightTwips) override;
  HRESULT GetExtent(int32_t* widthTwips, int32_t* heightTwips) override;

  // IPersistPropertyBag: the control stores no properties.
  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* bag) override;
  HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) override;

  // IEncoderTuning: sends "vbrquality" and "threads" to the engine.
  HRESULT SetVbrQuality(int32_t quality) override;
  HRESULT SetEncoderThreads(int32_t count) override;

 private:
  ~TolvoEncode() override;

  // Runs a method body with a reference held on the object, and turns an engine-host error into
  // the thread's error object and its failed result. Nothing escapes. A call from another thread
  // than the control's own is refused (RPC_E_WRONG_THREAD) before it could race the ticks.
  template <class Body>
  HRESULT Guarded(Body&& body);

  void Terminate();
  void OnTimer1();
  void FireEvent(DISPID dispid, runtime::DispParams& params);

  // ControlEvents
  void ErrorCode(int32_t errorNumber, const std::u16string& errorDescription) override;
  void Finished() override;
  void Progress(int32_t progressAsLong) override;
  void ID3v1GenreList(bool clearFlag, const std::u16string& genre) override;

  // PollTimer
  void Enable() override { timer1_.Enable(); }
  void Disable() override { timer1_.Disable(); }
  void TickWhenReadable(int descriptor) override;
  void StopWatching() override { jobEndWatch_.reset(); }

  runtime::ReferenceCount refs_;
  std::unique_ptr<EngineLink> engine_;
  runtime::ConnectionPoint events_;
  runtime::ApartmentTie apartment_;
  runtime::Timer timer1_;
  std::unique_ptr<runtime::DescriptorWatch> jobEndWatch_;  // on timer1_'s context
  EncodeOrchestration orchestration_;
  int32_t widthTwips_ = kControlSizeTwips;
  int32_t heightTwips_ = kControlSizeTwips;
  bool terminating_ = false;
};

template <class Body>
HRESULT TolvoEncode::Guarded(Body&& body) {
  if (HRESULT hr = apartment_.CheckCaller(kObjectName); runtime::FAILED(hr)) return hr;
  // A handler may drop the host's last reference while this call still runs.
  runtime::ComPtr<_TolvoEncode> self(this);
  try {
    body();
    return runtime::S_OK;
  } catch (const ControlError& error) {
    return runtime::RaiseError(error.number, error.description, kErrorSource);
  } catch (const std::bad_alloc&) {
    return runtime::E_OUTOFMEMORY;
  } catch (...) {
    return runtime::E_FAIL;
  }
}

}  // namespace tolvo::control
