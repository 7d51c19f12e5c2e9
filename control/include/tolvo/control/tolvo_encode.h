// The public face of the TolvoEncode control for hosts: its fixed identifiers, its ProgID, the
// early-bound interface _TolvoEncode and the DISPIDs and argument lists of the __TolvoEncode
// events. Hosts create the control with tolvo::runtime::CreateObject(kTolvoEncodeProgId,
// IID__TolvoEncode, …).
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/runtime/dispatch.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/type_info.h"
#include "tolvo/runtime/variant.h"

namespace tolvo::control {

using runtime::DISPID;
using runtime::Guid;
using runtime::HRESULT;
using runtime::Variant;

// Identifiers of the type library TolvoMP3Encode130, fixed for every build.
inline constexpr Guid LIBID_TolvoMP3Encode130{
    0x210CB671, 0x155E, 0x43CB, {0x8C, 0x55, 0x59, 0x8E, 0x42, 0x75, 0x00, 0x8B}};
inline constexpr Guid CLSID_TolvoEncode{
    0x7C728405, 0x6860, 0x4582, {0x8F, 0xD0, 0xAA, 0x52, 0x82, 0x9A, 0xF8, 0x2E}};
inline constexpr Guid IID__TolvoEncode{
    0xFDC2C451, 0xA167, 0x4163, {0xA1, 0x1C, 0xDB, 0x69, 0xE8, 0xB2, 0x83, 0x1E}};
inline constexpr Guid DIID___TolvoEncode{
    0x2C26AF1B, 0x4813, 0x4A14, {0xBF, 0x50, 0xC0, 0x11, 0xE6, 0x0E, 0x2A, 0xB3}};

inline constexpr const char* kTolvoEncodeProgId = "TolvoMP3Encode130.TolvoEncode";
inline constexpr char16_t kTolvoEncodeControlName[] = u"Tolvo MP3 Encoder OCX 1.3.0";

// DISPIDs of the methods of _TolvoEncode (0x60030004 to 0x60030008 are not used).
inline constexpr DISPID kDispidMP3EncodePause = 0x60030000;
inline constexpr DISPID kDispidMP3EncodeResume = 0x60030001;
inline constexpr DISPID kDispidMP3EncodeCancel = 0x60030002;
inline constexpr DISPID kDispidMP3Encode = 0x60030003;
inline constexpr DISPID kDispidAbout = 0x60030009;
inline constexpr DISPID kDispidControlName = 0x6003000A;
inline constexpr DISPID kDispidSelectProcessPriority = 0x6003000B;
inline constexpr DISPID kDispidRead_ID3_v1_tag = 0x6003000C;
inline constexpr DISPID kDispidGenerate_ID3v1Genre = 0x6003000D;
inline constexpr DISPID kDispidWrite_ID3_v1_tag = 0x6003000E;
inline constexpr DISPID kDispidRemove_ID3V1_tag = 0x6003000F;
inline constexpr DISPID kDispidRead_ID3_v2_tag = 0x60030010;
inline constexpr DISPID kDispidWrite_ID3_v2_tag = 0x60030011;
inline constexpr DISPID kDispidRemove_ID3V2_tag = 0x60030012;

// Events of __TolvoEncode. Each reaches a sink's Invoke with its arguments in the order listed,
// every one by reference (VT_BYREF | VT_I4, VT_BSTR or VT_BOOL); the control never reads back what
// a handler writes into them.
inline constexpr DISPID kDispidErrorCode = 1;       // ErrorNumber long, ErrorDescription BSTR
inline constexpr DISPID kDispidFinished = 2;        // no arguments
inline constexpr DISPID kDispidProgress = 3;        // ProgressAsLong long
inline constexpr DISPID kDispidID3v1GenreList = 4;  // ClearFlag VARIANT_BOOL, Genre BSTR

inline constexpr uint32_t kEventParamFlags = runtime::PARAMFLAG_FIN | runtime::PARAMFLAG_FOUT;
inline constexpr runtime::ParamInfo kErrorCodeParams[] = {
    {u"ErrorNumber", runtime::VT_BYREF | runtime::VT_I4, kEventParamFlags},
    {u"ErrorDescription", runtime::VT_BYREF | runtime::VT_BSTR, kEventParamFlags},
};
inline constexpr runtime::ParamInfo kProgressParams[] = {
    {u"ProgressAsLong", runtime::VT_BYREF | runtime::VT_I4, kEventParamFlags},
};
inline constexpr runtime::ParamInfo kID3v1GenreListParams[] = {
    {u"ClearFlag", runtime::VT_BYREF | runtime::VT_BOOL, kEventParamFlags},
    {u"Genre", runtime::VT_BYREF | runtime::VT_BSTR, kEventParamFlags},
};

// The default interface of TolvoEncode, a dual interface: the same fourteen methods are reached
// late-bound through Invoke with the DISPIDs above. Every method returns an HRESULT and gives its
// result through its last parameter; a VARIANT result is always left empty. Failures of the
// engine host (5006, 5007, 5008) come back as ControlErrorHResult(n) with the thread's error
// object set (runtime::GetErrorInfo); argument and job failures arrive as ErrorCode events.
class _TolvoEncode : public runtime::IDispatch {
 public:
  virtual HRESULT MP3EncodePause(Variant* result) = 0;
  virtual HRESULT MP3EncodeResume(Variant* result) = 0;
  // Blocks until a running encode has stopped; its end is reported by the next timer tick.
  virtual HRESULT MP3EncodeCancel(Variant* result) = 0;
  // StereoMode: "stereo", "joint", "dual" or "mono"; MP3Quality: "normal", "low" or "high"
  // (tolvo/control/setting_texts.h lists them).
  virtual HRESULT MP3Encode(const std::u16string& Inputfile, const std::u16string& OutPutFile,
                            int32_t Bitrate, const std::u16string& StereoMode,
                            const std::u16string& MP3Quality, int32_t VBR, int32_t VBRMaxBitrate,
                            Variant* result) = 0;
  virtual HRESULT About(Variant* result) = 0;
  virtual HRESULT ControlName(std::u16string* result) = 0;
  // NewLevel: 1 idle, 2 normal, 3 high; applied to the next encode.
  virtual HRESULT SelectProcessPriority(int32_t NewLevel, Variant* result) = 0;
  // Result 0 when the tag was read; otherwise the in/out parameters keep what was passed.
  virtual HRESULT Read_ID3_v1_tag(const std::u16string& filename, int32_t* Track,
                                  std::u16string* Title, std::u16string* Artist,
                                  std::u16string* Album, std::u16string* Year, int32_t* Genre,
                                  std::u16string* Comment, int32_t* result) = 0;
  // Raises ID3v1GenreList once with ClearFlag true, then once per genre name in index order.
  virtual HRESULT Generate_ID3v1Genre(Variant* result) = 0;
  virtual HRESULT Write_ID3_v1_tag(const std::u16string& filename, int32_t Track,
                                   const std::u16string& Title, const std::u16string& Artist,
                                   const std::u16string& Album, const std::u16string& Year,
                                   int32_t Genre, const std::u16string& Comment,
                                   int32_t* result) = 0;
  virtual HRESULT Remove_ID3V1_tag(const std::u16string& filename, int32_t* result) = 0;
  virtual HRESULT Read_ID3_v2_tag(const std::u16string& filename, std::u16string* Track,
                                  std::u16string* Title, std::u16string* Artist,
                                  std::u16string* Album, std::u16string* Year,
                                  std::u16string* Genre, std::u16string* Comment,
                                  std::u16string* EncodedBy, std::u16string* URL,
                                  std::u16string* Copyright, std::u16string* OriginalArtist,
                                  std::u16string* Composer, int32_t* result) = 0;
  virtual HRESULT Write_ID3_v2_tag(const std::u16string& filename, const std::u16string& Track,
                                   const std::u16string& Title, const std::u16string& Artist,
                                   const std::u16string& Album, const std::u16string& Year,
                                   const std::u16string& Genre, const std::u16string& Comment,
                                   const std::u16string& EncodedBy, const std::u16string& URL,
                                   const std::u16string& Copyright,
                                   const std::u16string& OriginalArtist,
                                   const std::u16string& Composer, int32_t* result) = 0;
  virtual HRESULT Remove_ID3V2_tag(const std::u16string& filename, int32_t* result) = 0;
};

}  // namespace tolvo::control
