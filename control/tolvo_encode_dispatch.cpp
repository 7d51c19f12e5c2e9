// Late binding of TolvoEncode: Invoke maps each DISPID of the type information to its early-bound
// method, with the arguments already bound to their declared types. In/out arguments arrive as
// the caller's storage, so the methods write straight into it.
#include "tolvo/runtime/dispatch_table.h"
#include "tolvo_encode_object.h"
#include "type_library.h"

namespace tolvo::control {
namespace {

using runtime::MethodInfo;

// A method with a long result hands it back as a VT_I4 Variant when it succeeds.
HRESULT LongResult(HRESULT hr, int32_t value, Variant* out) {
  if (runtime::SUCCEEDED(hr)) *out = Variant::FromI4(value);
  return hr;
}

}  // namespace

HRESULT TolvoEncode::Invoke(DISPID id, runtime::DispParams& params, Variant* result,
                            runtime::ExcepInfo* excep) {
  auto call = [this](const MethodInfo& method, std::vector<Variant>& a, Variant* out) -> HRESULT {
    int32_t value = 0;
    switch (method.dispid) {
      case kDispidMP3EncodePause:
        return MP3EncodePause(out);
      case kDispidMP3EncodeResume:
        return MP3EncodeResume(out);
      case kDispidMP3EncodeCancel:
        return MP3EncodeCancel(out);
      case kDispidMP3Encode:
        return MP3Encode(a[0].Bstr(), a[1].Bstr(), a[2].I4(), a[3].Bstr(), a[4].Bstr(), a[5].I4(),
                         a[6].I4(), out);
      case kDispidAbout:
        return About(out);
      case kDispidControlName: {
        std::u16string name;
        const HRESULT hr = ControlName(&name);
        if (runtime::SUCCEEDED(hr)) *out = Variant::FromBstr(std::move(name));
        return hr;
      }
      case kDispidSelectProcessPriority:
        return SelectProcessPriority(a[0].I4(), out);
      case kDispidRead_ID3_v1_tag:
        return LongResult(
            Read_ID3_v1_tag(a[0].Bstr(), a[1].I4Ptr(), a[2].BstrPtr(), a[3].BstrPtr(),
                            a[4].BstrPtr(), a[5].BstrPtr(), a[6].I4Ptr(), a[7].BstrPtr(), &value),
            value, out);
      case kDispidGenerate_ID3v1Genre:
        return Generate_ID3v1Genre(out);
      case kDispidWrite_ID3_v1_tag:
        return LongResult(
            Write_ID3_v1_tag(a[0].Bstr(), a[1].I4(), a[2].Bstr(), a[3].Bstr(), a[4].Bstr(),
                             a[5].Bstr(), a[6].I4(), a[7].Bstr(), &value),
            value, out);
      case kDispidRemove_ID3V1_tag:
        return LongResult(Remove_ID3V1_tag(a[0].Bstr(), &value), value, out);
      case kDispidRead_ID3_v2_tag:
        return LongResult(
            Read_ID3_v2_tag(a[0].Bstr(), a[1].BstrPtr(), a[2].BstrPtr(), a[3].BstrPtr(),
                            a[4].BstrPtr(), a[5].BstrPtr(), a[6].BstrPtr(), a[7].BstrPtr(),
                            a[8].BstrPtr(), a[9].BstrPtr(), a[10].BstrPtr(), a[11].BstrPtr(),
                            a[12].BstrPtr(), &value),
            value, out);
      case kDispidWrite_ID3_v2_tag:
        return LongResult(
            Write_ID3_v2_tag(a[0].Bstr(), a[1].Bstr(), a[2].Bstr(), a[3].Bstr(), a[4].Bstr(),
                             a[5].Bstr(), a[6].Bstr(), a[7].Bstr(), a[8].Bstr(), a[9].Bstr(),
                             a[10].Bstr(), a[11].Bstr(), a[12].Bstr(), &value),
            value, out);
      case kDispidRemove_ID3V2_tag:
        return LongResult(Remove_ID3V2_tag(a[0].Bstr(), &value), value, out);
    }
    return runtime::DISP_E_MEMBERNOTFOUND;
  };
  return runtime::InvokeFromTable(kTolvoEncodeInterface, id, params, result, excep, call);
}

}  // namespace tolvo::control
