// Encoder settings beyond MP3Encode's arguments, for hosts that want them. TolvoEncode answers
// QueryInterface for IEncoderTuning; the control itself never sends these settings, so a host
// that does not ask keeps the encoder's own defaults (VBR quality 0).
#pragma once

#include <cstdint>

#include "tolvo/engine/interface1.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/unknown.h"

namespace tolvo::control {

inline constexpr runtime::Guid IID_IEncoderTuning{
    0xF5836FA0, 0xD731, 0x4689, {0x84, 0x21, 0x98, 0x1E, 0xDE, 0x09, 0xB0, 0x5E}};

// The range of SetVbrQuality is the engine's (tolvo/engine/interface1.h).
using engine::kBestVbrQuality;
using engine::kLeastVbrQuality;

class IEncoderTuning : public runtime::IUnknown {
 public:
  // The VBR quality of the next encodes with VBR on: 0 (best, largest) to 9 (smallest). The
  // engine keeps it until it is set again (it is shared by every control of the process).
  // E_INVALIDARG for a number outside 0..9; an engine-host failure as the methods give it.
  virtual runtime::HRESULT SetVbrQuality(int32_t quality) = 0;
  // The threads that encode one file in the next encodes: 0 one per online core (the engine's
  // default), 1 the sequential encode, N at most N. Shared like the VBR quality. E_INVALIDARG for
  // a negative count.
  virtual runtime::HRESULT SetEncoderThreads(int32_t count) = 0;
};

}  // namespace tolvo::control
