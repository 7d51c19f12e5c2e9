// The fourteen early-bound methods of TolvoEncode. Each runs inside Guarded, so an engine-host
// error (5006-5008) ends the call as a failed result with the thread's error object set.
#include "tag_methods.h"
#include "tolvo/platform/about_box.h"
#include "tolvo_encode_object.h"

namespace tolvo::control {
namespace {

using runtime::E_POINTER;

constexpr const char kAboutDescription[] =
    "ActiveX OCX to encode wav pcm in mp3 files , the code is optimized for new processors , "
    "ability to pause resume and cancel the execution , full ID3 v1 v1.1 v2 tags support in read "
    "and write mode , it has progress information support , VBR support , ability to change the "
    "priority level of the encoding process\r\n";

void ClearResult(Variant* result) {
  if (result) *result = Variant();
}

}  // namespace

HRESULT TolvoEncode::MP3EncodePause(Variant* result) {
  ClearResult(result);
  return Guarded([&] { orchestration_.MP3EncodePause(); });
}

HRESULT TolvoEncode::MP3EncodeResume(Variant* result) {
  ClearResult(result);
  return Guarded([&] { orchestration_.MP3EncodeResume(); });
}

HRESULT TolvoEncode::MP3EncodeCancel(Variant* result) {
  ClearResult(result);
  return Guarded([&] { orchestration_.MP3EncodeCancel(); });
}

HRESULT TolvoEncode::MP3Encode(const std::u16string& Inputfile, const std::u16string& OutPutFile,
                               int32_t Bitrate, const std::u16string& StereoMode,
                               const std::u16string& MP3Quality, int32_t VBR, int32_t VBRMaxBitrate,
                               Variant* result) {
  ClearResult(result);
  return Guarded([&] {
    orchestration_.MP3Encode(Inputfile, OutPutFile, Bitrate, StereoMode, MP3Quality, VBR,
                             VBRMaxBitrate);
  });
}

HRESULT TolvoEncode::About(Variant* result) {
  ClearResult(result);
  return Guarded([&] {
    platform::AboutBoxContent content;
    content.caption = "Tolvo MP3 Encoder OCX 1.3.0";
    content.makerName = "Tolvo Software";
    content.webAddress = "https://www.tolvo.example/";
    content.contactAddress = "support@tolvo.example";
    content.description = kAboutDescription;
    platform::ShowAboutBox(content);
  });
}

HRESULT TolvoEncode::ControlName(std::u16string* result) {
  if (!result) return E_POINTER;
  return Guarded([&] { *result = kTolvoEncodeControlName; });
}

HRESULT TolvoEncode::SelectProcessPriority(int32_t NewLevel, Variant* result) {
  ClearResult(result);
  return Guarded([&] { orchestration_.SelectProcessPriority(NewLevel); });
}

HRESULT TolvoEncode::Read_ID3_v1_tag(const std::u16string& filename, int32_t* Track,
                                     std::u16string* Title, std::u16string* Artist,
                                     std::u16string* Album, std::u16string* Year, int32_t* Genre,
                                     std::u16string* Comment, int32_t* result) {
  if (!Track || !Title || !Artist || !Album || !Year || !Genre || !Comment || !result) {
    return E_POINTER;
  }
  return Guarded([&] {
    Id3v1Values values;
    *result = ReadId3v1Tag(*engine_, filename, values);
    if (*result != 0) return;
    *Track = values.track;
    *Title = std::move(values.title);
    *Artist = std::move(values.artist);
    *Album = std::move(values.album);
    *Year = std::move(values.year);
    *Genre = values.genre;
    *Comment = std::move(values.comment);
  });
}

HRESULT TolvoEncode::Generate_ID3v1Genre(Variant* result) {
  ClearResult(result);
  return Guarded([&] { GenerateId3v1Genres(*engine_, static_cast<ControlEvents&>(*this)); });
}

HRESULT TolvoEncode::Write_ID3_v1_tag(const std::u16string& filename, int32_t Track,
                                      const std::u16string& Title, const std::u16string& Artist,
                                      const std::u16string& Album, const std::u16string& Year,
                                      int32_t Genre, const std::u16string& Comment,
                                      int32_t* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = WriteId3v1Tag(*engine_, filename,
                            Id3v1Values{Track, Title, Artist, Album, Year, Genre, Comment});
  });
}

HRESULT TolvoEncode::Remove_ID3V1_tag(const std::u16string& filename, int32_t* result) {
  if (!result) return E_POINTER;
  return Guarded([&] { *result = RemoveId3v1Tag(*engine_, filename); });
}

HRESULT TolvoEncode::Read_ID3_v2_tag(const std::u16string& filename, std::u16string* Track,
                                     std::u16string* Title, std::u16string* Artist,
                                     std::u16string* Album, std::u16string* Year,
                                     std::u16string* Genre, std::u16string* Comment,
                                     std::u16string* EncodedBy, std::u16string* URL,
                                     std::u16string* Copyright, std::u16string* OriginalArtist,
                                     std::u16string* Composer, int32_t* result) {
  std::u16string* const fields[] = {Track, Title,     Artist,         Album,
                                    Year,  Genre,     Comment,        EncodedBy,
                                    URL,   Copyright, OriginalArtist, Composer};
  for (std::u16string* field : fields) {
    if (!field) return E_POINTER;
  }
  if (!result) return E_POINTER;
  return Guarded([&] {
    Id3v2Values values;
    *result = ReadId3v2Tag(*engine_, filename, values);
    if (*result != 0) return;
    *Track = std::move(values.track);
    *Title = std::move(values.title);
    *Artist = std::move(values.artist);
    *Album = std::move(values.album);
    *Year = std::move(values.year);
    *Genre = std::move(values.genre);
    *Comment = std::move(values.comment);
    *EncodedBy = std::move(values.encodedBy);
    *URL = std::move(values.url);
    *Copyright = std::move(values.copyright);
    *OriginalArtist = std::move(values.originalArtist);
    *Composer = std::move(values.composer);
  });
}

HRESULT TolvoEncode::Write_ID3_v2_tag(const std::u16string& filename, const std::u16string& Track,
                                      const std::u16string& Title, const std::u16string& Artist,
                                      const std::u16string& Album, const std::u16string& Year,
                                      const std::u16string& Genre, const std::u16string& Comment,
                                      const std::u16string& EncodedBy, const std::u16string& URL,
                                      const std::u16string& Copyright,
                                      const std::u16string& OriginalArtist,
                                      const std::u16string& Composer, int32_t* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    const Id3v2Values values{Track,   Title,     Artist, Album,     Year,           Genre,
                             Comment, EncodedBy, URL,    Copyright, OriginalArtist, Composer};
    *result = WriteId3v2Tag(*engine_, filename, values);
  });
}

HRESULT TolvoEncode::Remove_ID3V2_tag(const std::u16string& filename, int32_t* result) {
  if (!result) return E_POINTER;
  return Guarded([&] { *result = RemoveId3v2Tag(*engine_, filename); });
}

}  // namespace tolvo::control
