// The tables behind the control's type information. Method and parameter names are spelled as
// hosts bind them (OutPutFile, Inputfile, Remove_ID3V1_tag beside Read_ID3_v1_tag).
#include "type_library.h"

#include "tolvo/control/tolvo_encode.h"

namespace tolvo::control {
namespace {

using runtime::InterfaceInfo;
using runtime::MethodInfo;
using runtime::ParamInfo;
using runtime::VT_BOOL;
using runtime::VT_BSTR;
using runtime::VT_BYREF;
using runtime::VT_I4;
using runtime::VT_VARIANT;
using runtime::VT_VOID;

constexpr uint32_t kIn = runtime::PARAMFLAG_FIN;
constexpr uint32_t kInOut = runtime::PARAMFLAG_FIN | runtime::PARAMFLAG_FOUT;
constexpr uint16_t kRefI4 = VT_BYREF | VT_I4;
constexpr uint16_t kRefBstr = VT_BYREF | VT_BSTR;

constexpr ParamInfo kMP3EncodeParams[] = {
    {u"Inputfile", VT_BSTR, kIn},   {u"OutPutFile", VT_BSTR, kIn}, {u"Bitrate", VT_I4, kIn},
    {u"StereoMode", VT_BSTR, kIn},  {u"MP3Quality", VT_BSTR, kIn}, {u"VBR", VT_I4, kIn},
    {u"VBRMaxBitrate", VT_I4, kIn},
};
constexpr ParamInfo kSelectProcessPriorityParams[] = {{u"NewLevel", VT_I4, kIn}};
constexpr ParamInfo kReadV1Params[] = {
    {u"filename", VT_BSTR, kIn},   {u"Track", kRefI4, kInOut},     {u"Title", kRefBstr, kInOut},
    {u"Artist", kRefBstr, kInOut}, {u"Album", kRefBstr, kInOut},   {u"Year", kRefBstr, kInOut},
    {u"Genre", kRefI4, kInOut},    {u"Comment", kRefBstr, kInOut},
};
constexpr ParamInfo kWriteV1Params[] = {
    {u"filename", VT_BSTR, kIn}, {u"Track", VT_I4, kIn},     {u"Title", VT_BSTR, kIn},
    {u"Artist", VT_BSTR, kIn},   {u"Album", VT_BSTR, kIn},   {u"Year", VT_BSTR, kIn},
    {u"Genre", VT_I4, kIn},      {u"Comment", VT_BSTR, kIn},
};
constexpr ParamInfo kFilenameParams[] = {{u"filename", VT_BSTR, kIn}};
constexpr ParamInfo kReadV2Params[] = {
    {u"filename", VT_BSTR, kIn},      {u"Track", kRefBstr, kInOut},
    {u"Title", kRefBstr, kInOut},     {u"Artist", kRefBstr, kInOut},
    {u"Album", kRefBstr, kInOut},     {u"Year", kRefBstr, kInOut},
    {u"Genre", kRefBstr, kInOut},     {u"Comment", kRefBstr, kInOut},
    {u"EncodedBy", kRefBstr, kInOut}, {u"URL", kRefBstr, kInOut},
    {u"Copyright", kRefBstr, kInOut}, {u"OriginalArtist", kRefBstr, kInOut},
    {u"Composer", kRefBstr, kInOut},
};
constexpr ParamInfo kWriteV2Params[] = {
    {u"filename", VT_BSTR, kIn}, {u"Track", VT_BSTR, kIn},     {u"Title", VT_BSTR, kIn},
    {u"Artist", VT_BSTR, kIn},   {u"Album", VT_BSTR, kIn},     {u"Year", VT_BSTR, kIn},
    {u"Genre", VT_BSTR, kIn},    {u"Comment", VT_BSTR, kIn},   {u"EncodedBy", VT_BSTR, kIn},
    {u"URL", VT_BSTR, kIn},      {u"Copyright", VT_BSTR, kIn}, {u"OriginalArtist", VT_BSTR, kIn},
    {u"Composer", VT_BSTR, kIn},
};

constexpr MethodInfo kMethods[] = {
    {u"MP3EncodePause", kDispidMP3EncodePause, {}, VT_VARIANT},
    {u"MP3EncodeResume", kDispidMP3EncodeResume, {}, VT_VARIANT},
    {u"MP3EncodeCancel", kDispidMP3EncodeCancel, {}, VT_VARIANT},
    {u"MP3Encode", kDispidMP3Encode, kMP3EncodeParams, VT_VARIANT},
    {u"About", kDispidAbout, {}, VT_VARIANT},
    {u"ControlName", kDispidControlName, {}, VT_BSTR},
    {u"SelectProcessPriority", kDispidSelectProcessPriority, kSelectProcessPriorityParams,
     VT_VARIANT},
    {u"Read_ID3_v1_tag", kDispidRead_ID3_v1_tag, kReadV1Params, VT_I4},
    {u"Generate_ID3v1Genre", kDispidGenerate_ID3v1Genre, {}, VT_VARIANT},
    {u"Write_ID3_v1_tag", kDispidWrite_ID3_v1_tag, kWriteV1Params, VT_I4},
    {u"Remove_ID3V1_tag", kDispidRemove_ID3V1_tag, kFilenameParams, VT_I4},
    {u"Read_ID3_v2_tag", kDispidRead_ID3_v2_tag, kReadV2Params, VT_I4},
    {u"Write_ID3_v2_tag", kDispidWrite_ID3_v2_tag, kWriteV2Params, VT_I4},
    {u"Remove_ID3V2_tag", kDispidRemove_ID3V2_tag, kFilenameParams, VT_I4},
};

constexpr MethodInfo kEvents[] = {
    {u"ErrorCode", kDispidErrorCode, kErrorCodeParams, VT_VOID},
    {u"Finished", kDispidFinished, {}, VT_VOID},
    {u"Progress", kDispidProgress, kProgressParams, VT_VOID},
    {u"ID3v1GenreList", kDispidID3v1GenreList, kID3v1GenreListParams, VT_VOID},
};

constexpr const InterfaceInfo* kInterfaces[] = {&kTolvoEncodeInterface,
                                                &kTolvoEncodeEventInterface};
constexpr const runtime::CoclassInfo* kCoclasses[] = {&kTolvoEncodeClass};

}  // namespace

const InterfaceInfo kTolvoEncodeInterface{
    "_TolvoEncode",
    IID__TolvoEncode,
    1,
    0,
    runtime::TYPEFLAG_FHIDDEN | runtime::TYPEFLAG_FDUAL | runtime::TYPEFLAG_FNONEXTENSIBLE |
        runtime::TYPEFLAG_FOLEAUTOMATION | runtime::TYPEFLAG_FDISPATCHABLE,
    runtime::InterfaceKind::kDual,
    kMethods};

const InterfaceInfo kTolvoEncodeEventInterface{
    "__TolvoEncode",
    DIID___TolvoEncode,
    1,
    0,
    runtime::TYPEFLAG_FHIDDEN | runtime::TYPEFLAG_FNONEXTENSIBLE | runtime::TYPEFLAG_FDISPATCHABLE,
    runtime::InterfaceKind::kDispinterface,
    kEvents};

const runtime::CoclassInfo kTolvoEncodeClass{
    "TolvoEncode",          CLSID_TolvoEncode,          1, 0, runtime::TYPEFLAG_FCONTROL,
    &kTolvoEncodeInterface, &kTolvoEncodeEventInterface};

// The type descriptions in library order: _TolvoEncode, TolvoEncode, __TolvoEncode. The runtime
// keeps interfaces and classes in separate lists, so the order shows within each list.
const runtime::TypeLibraryInfo kTolvoEncodeTypeLibrary{"TolvoMP3Encode130",
                                                       LIBID_TolvoMP3Encode130,
                                                       kTypeLibraryMajor,
                                                       kTypeLibraryMinor,
                                                       0,
                                                       runtime::LIBFLAG_FCONTROL,
                                                       runtime::kSysKindWin32,
                                                       kTypeLibraryHelpString,
                                                       kInterfaces,
                                                       kCoclasses};

}  // namespace tolvo::control
