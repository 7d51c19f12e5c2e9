// Result values of the component runtime: a 32-bit status whose sign bit means failure, with the
// usual COM values, and the control facility through which a control's own error numbers travel.
#pragma once

#include <cstdint>

namespace tolvo::runtime {

using HRESULT = int32_t;

constexpr HRESULT MakeHResult(uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED =
    MakeHResult(0x800401F0u);  // the calling thread is in no apartment
inline constexpr HRESULT RPC_E_WRONG_THREAD =
    MakeHResult(0x8001010Eu);  // an object called from a thread other than its own
inline constexpr HRESULT CO_E_ERRORINDLL =
    MakeHResult(0x800401F9u);  // server cannot be loaded or lacks an entry
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHResult(0x8002000Fu);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A control's error number n (1..65535) travels as the failure 0x800A0000 | n.
inline constexpr uint32_t kControlFacilityBits = 0x800A0000u;

constexpr HRESULT ControlErrorHResult(int32_t number) {
  return MakeHResult(kControlFacilityBits | (static_cast<uint32_t>(number) & 0xFFFFu));
}

constexpr bool IsControlError(HRESULT hr) {
  return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == kControlFacilityBits;
}

// The error number a host shows for a failure: n for a control error, else the HRESULT itself.
constexpr int32_t ErrorNumberOf(HRESULT hr) {
  return IsControlError(hr) ? static_cast<int32_t>(static_cast<uint32_t>(hr) & 0xFFFFu) : hr;
}

}  // namespace tolvo::runtime
