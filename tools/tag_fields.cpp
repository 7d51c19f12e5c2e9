// Calls of the control's six tag methods, and the meaning of their result codes.
#include "tag_fields.h"

#include "tolvo/platform/utf16.h"

namespace tolvo::tool {
namespace {

int32_t Outcome(runtime::HRESULT hr, int32_t result, std::string* error) {
  if (runtime::FAILED(hr)) {
    *error = FailureText(hr);
    return -1;
  }
  return result;
}

}  // namespace

int32_t ReadTagV1(ControlSession& s, const std::string& file, TagV1Texts* f, std::string* error) {
  int32_t result = 0;
  runtime::HRESULT hr =
      s.control().Read_ID3_v1_tag(platform::Utf8ToUtf16(file), &f->track, &f->title, &f->artist,
                                  &f->album, &f->year, &f->genre, &f->comment, &result);
  return Outcome(hr, result, error);
}

int32_t WriteTagV1(ControlSession& s, const std::string& file, const TagV1Texts& f,
                   std::string* error) {
  int32_t result = 0;
  runtime::HRESULT hr =
      s.control().Write_ID3_v1_tag(platform::Utf8ToUtf16(file), f.track, f.title, f.artist, f.album,
                                   f.year, f.genre, f.comment, &result);
  return Outcome(hr, result, error);
}

int32_t RemoveTagV1(ControlSession& s, const std::string& file, std::string* error) {
  int32_t result = 0;
  // The call comes first: the code it stores is read only after it returns.
  runtime::HRESULT hr = s.control().Remove_ID3V1_tag(platform::Utf8ToUtf16(file), &result);
  return Outcome(hr, result, error);
}

int32_t ReadTagV2(ControlSession& s, const std::string& file, TagV2Texts* f, std::string* error) {
  int32_t result = 0;
  runtime::HRESULT hr = s.control().Read_ID3_v2_tag(
      platform::Utf8ToUtf16(file), &f->track, &f->title, &f->artist, &f->album, &f->year, &f->genre,
      &f->comment, &f->encodedBy, &f->url, &f->copyright, &f->originalArtist, &f->composer,
      &result);
  return Outcome(hr, result, error);
}

int32_t WriteTagV2(ControlSession& s, const std::string& file, const TagV2Texts& f,
                   std::string* error) {
  int32_t result = 0;
  runtime::HRESULT hr = s.control().Write_ID3_v2_tag(
      platform::Utf8ToUtf16(file), f.track, f.title, f.artist, f.album, f.year, f.genre, f.comment,
      f.encodedBy, f.url, f.copyright, f.originalArtist, f.composer, &result);
  return Outcome(hr, result, error);
}

int32_t RemoveTagV2(ControlSession& s, const std::string& file, std::string* error) {
  int32_t result = 0;
  // The call comes first: the code it stores is read only after it returns.
  runtime::HRESULT hr = s.control().Remove_ID3V2_tag(platform::Utf8ToUtf16(file), &result);
  return Outcome(hr, result, error);
}

std::string ResultMessage(TagOperation operation, int32_t code) {
  // Every operation that changes a file makes the same two checks first.
  if (operation != TagOperation::kReadV1 && operation != TagOperation::kReadV2) {
    if (code == 11) return "is in use by a running encode; it was left untouched";
    if (code == 12) return "may not be written by this user; it was left untouched";
  }
  switch (operation) {
    case TagOperation::kReadV1:
      if (code == 1) return "cannot be opened for reading";
      if (code == 2) return "has no ID3v1 tag";
      if (code == 3) return "is shorter than an ID3v1 tag";
      break;
    case TagOperation::kWriteV1:
      if (code == 1) return "cannot be opened for writing";
      if (code == 2) return "cannot be read";
      if (code == 3) return "is shorter than 128 bytes and cannot hold an ID3v1 tag";
      if (code == 4) return "is read-only";
      if (code == 5) return "could not be given its ID3v1 tag: a write failed (is the disk full?)";
      if (code == 10) return "is not an MP3 file; it was left untouched";
      break;
    case TagOperation::kRemoveV1:
      if (code == 1) return "cannot be shortened to remove its ID3v1 tag";
      if (code == 3) return "is read-only";
      break;
    case TagOperation::kReadV2:
      if (code == 1) return "has no usable ID3v2 tag";
      if (code == 2) return "has an ID3v2 tag that cannot be read in full";
      break;
    case TagOperation::kWriteV2:
      if (code == 1) return "is read-only";
      if (code == 2) return "cannot get its ID3v2 tag: no temporary file can be made";
      if (code == 3) return "has an ID3v2 tag that cannot be read in full";
      if (code == 5) return "cannot be opened for reading";
      if (code >= 4 && code <= 7) return "could not be rewritten with its new ID3v2 tag";
      if (code == 13)
        return "has an ID3v2 tag whose frames cannot all be carried over faithfully; it was left "
               "untouched";
      if (code == 10) return "is not an MP3 file; it was left untouched";
      if (code == 9) return "could not be rewritten: a write failed (is the disk full?)";
      break;
    case TagOperation::kRemoveV2:
      if (code == 1) return "is read-only";
      if (code == 2) return "cannot lose its ID3v2 tag: no temporary file can be made";
      if (code == 3) return "cannot be opened for reading";
      if (code == 4 || code == 5) return "could not be rewritten without its ID3v2 tag";
      if (code == 6) return "could not be rewritten: a write failed (is the disk full?)";
      break;
  }
  return "failed with code " + std::to_string(code);
}

}  // namespace tolvo::tool
