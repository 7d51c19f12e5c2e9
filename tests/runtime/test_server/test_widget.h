// The class of the runtime's test server: its identifiers, type information and early-bound
// interface, shared by the server library and the tests that drive it.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/runtime/connection_point.h"
#include "tolvo/runtime/dispatch.h"
#include "tolvo/runtime/type_info.h"

namespace tolvo::test {

using namespace tolvo::runtime;

inline constexpr Guid kTestLibraryId{
    0x5A1C7E20, 0x3B44, 0x4C9E, {0x9A, 0x10, 0x6E, 0x2F, 0x41, 0x77, 0x0B, 0x01}};
inline constexpr Guid kTestWidgetClsid{
    0x5A1C7E20, 0x3B44, 0x4C9E, {0x9A, 0x10, 0x6E, 0x2F, 0x41, 0x77, 0x0B, 0x02}};
inline constexpr Guid IID_ITestWidget{
    0x5A1C7E20, 0x3B44, 0x4C9E, {0x9A, 0x10, 0x6E, 0x2F, 0x41, 0x77, 0x0B, 0x03}};
inline constexpr Guid DIID_TestWidgetEvents{
    0x5A1C7E20, 0x3B44, 0x4C9E, {0x9A, 0x10, 0x6E, 0x2F, 0x41, 0x77, 0x0B, 0x04}};
inline constexpr const char* kTestWidgetProgId = "TolvoRuntimeTest.TestWidget";
inline constexpr uint32_t kTestWidgetMiscStatus = 0x20591;

inline constexpr DISPID kDispidTwice = 0x60030000;
inline constexpr DISPID kDispidFail = 0x60030001;
inline constexpr DISPID kDispidBump = 0x60030002;
inline constexpr DISPID kDispidAnnounce = 0x60030003;
inline constexpr DISPID kDispidSaid = 1;

inline constexpr ParamInfo kTwiceParams[] = {{u"Value", VT_I4, PARAMFLAG_FIN}};
inline constexpr ParamInfo kFailParams[] = {{u"Number", VT_I4, PARAMFLAG_FIN}};
inline constexpr ParamInfo kBumpParams[] = {
    {u"Counter", VT_BYREF | VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOUT},
    {u"Label", VT_BYREF | VT_BSTR, PARAMFLAG_FIN | PARAMFLAG_FOUT},
    {u"Flag", VT_BYREF | VT_BOOL, PARAMFLAG_FIN | PARAMFLAG_FOUT},
};
inline constexpr ParamInfo kAnnounceParams[] = {{u"Text", VT_BSTR, PARAMFLAG_FIN}};
inline constexpr MethodInfo kTestWidgetMethods[] = {
    {u"Twice", kDispidTwice, kTwiceParams, VT_I4},
    {u"Fail", kDispidFail, kFailParams, VT_VARIANT},
    {u"Bump", kDispidBump, kBumpParams, VT_I4},
    {u"Announce", kDispidAnnounce, kAnnounceParams, VT_VARIANT},
};
inline constexpr ParamInfo kSaidParams[] = {
    {u"Count", VT_BYREF | VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOUT},
    {u"Text", VT_BYREF | VT_BSTR, PARAMFLAG_FIN | PARAMFLAG_FOUT},
    {u"Loud", VT_BYREF | VT_BOOL, PARAMFLAG_FIN | PARAMFLAG_FOUT},
};
inline constexpr MethodInfo kTestWidgetEvents[] = {{u"Said", kDispidSaid, kSaidParams, VT_VOID}};

inline constexpr InterfaceInfo kTestWidgetInterface{
    "_TestWidget",
    IID_ITestWidget,
    1,
    0,
    TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
        TYPEFLAG_FDISPATCHABLE,
    InterfaceKind::kDual,
    kTestWidgetMethods};
inline constexpr InterfaceInfo kTestWidgetEventInterface{
    "__TestWidget",
    DIID_TestWidgetEvents,
    1,
    0,
    TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
    InterfaceKind::kDispinterface,
    kTestWidgetEvents};
inline constexpr CoclassInfo kTestWidgetClass{
    "TestWidget",          kTestWidgetClsid,          1, 0, TYPEFLAG_FCONTROL,
    &kTestWidgetInterface, &kTestWidgetEventInterface};

// Early-bound interface; the last parameter of each method is its result.
class ITestWidget : public IDispatch {
 public:
  virtual HRESULT Twice(int32_t value, int32_t* result) = 0;
  // Fails with control error `number` and the description "Failure <number>".
  virtual HRESULT Fail(int32_t number, Variant* result) = 0;
  // Adds one to the counter, appends "+" to the label, flips the flag; returns the new counter.
  virtual HRESULT Bump(int32_t* counter, std::u16string* label, VARIANT_BOOL* flag,
                       int32_t* result) = 0;
  // Raises Said(Count = 1, Text = text, Loud = false) to every sink.
  virtual HRESULT Announce(const std::u16string& text, Variant* result) = 0;
};

}  // namespace tolvo::test
