// The type information of the control as data: the library TolvoMP3Encode130, the dual interface
// _TolvoEncode, the event dispinterface __TolvoEncode and the coclass TolvoEncode, with the values
// that registration writes. One table serves Invoke, GetIDsOfNames, registration and tests.
#pragma once

#include <cstdint>

#include "tolvo/runtime/type_info.h"

namespace tolvo::control {

inline constexpr uint16_t kTypeLibraryMajor = 8;
inline constexpr uint16_t kTypeLibraryMinor = 0;
inline constexpr char kTypeLibraryHelpString[] = "Tolvo MP3 Encoder OCX 1.3.0";

// OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT | ACTIVATEWHENVISIBLE |
// INVISIBLEATRUNTIME | SETCLIENTSITEFIRST.
inline constexpr uint32_t kMiscStatus = 132497;
inline constexpr int kToolboxBitmapResource = 30000;

extern const runtime::InterfaceInfo kTolvoEncodeInterface;       // _TolvoEncode
extern const runtime::InterfaceInfo kTolvoEncodeEventInterface;  // __TolvoEncode
extern const runtime::CoclassInfo kTolvoEncodeClass;             // TolvoEncode
extern const runtime::TypeLibraryInfo kTolvoEncodeTypeLibrary;   // TolvoMP3Encode130

}  // namespace tolvo::control
