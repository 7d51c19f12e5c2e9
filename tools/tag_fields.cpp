// Calls of the control's six tag methods, and the meaning of their result codes.
#include "tag_fields.h"

#include "tolvo/engine/interface1.h"
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
  using namespace engine;
  // Every operation that changes a file makes the same two checks first.
  if (operation != TagOperation::kReadV1 && operation != TagOperation::kReadV2) {
    if (code == kTagFileLocked) return "is in use by a running encode; it was left untouched";
    if (code == kTagFileNotPermitted) {
      return "may not be written by this user; it was left untouched";
    }
  }
  switch (operation) {
    case TagOperation::kReadV1:
      if (code == kId3v1CannotOpen) return "cannot be opened for reading";
      if (code == kId3v1CannotRead) return "has no ID3v1 tag";
      if (code == kId3v1TooShort) return "is shorter than an ID3v1 tag";
      break;
    case TagOperation::kWriteV1:
      if (code == kId3v1CannotOpen) return "cannot be opened for writing";
      if (code == kId3v1CannotRead) return "cannot be read";
      if (code == kId3v1TooShort) return "is shorter than 128 bytes and cannot hold an ID3v1 tag";
      if (code == kId3v1WriteReadOnly) return "is read-only";
      if (code == kId3v1WriteFailed) {
        return "could not be given its ID3v1 tag: a write failed (is the disk full?)";
      }
      if (code == kId3v1WriteNotMp3) return "is not an MP3 file; it was left untouched";
      break;
    case TagOperation::kRemoveV1:
      if (code == kId3v1CannotCut) return "cannot be shortened to remove its ID3v1 tag";
      if (code == kId3v1RemoveReadOnly) return "is read-only";
      break;
    case TagOperation::kReadV2:
      if (code == kId3v2NoUsableTag) return "has no usable ID3v2 tag";
      if (code == kId3v2CannotReadTag) return "has an ID3v2 tag that cannot be read in full";
      break;
    case TagOperation::kWriteV2:
      if (code == kId3v2WriteReadOnly) return "is read-only";
      if (code == kId3v2WriteNoTempFile) {
        return "cannot get its ID3v2 tag: no temporary file can be made";
      }
      if (code == kId3v2WriteCannotReadTag) return "has an ID3v2 tag that cannot be read in full";
      if (code == kId3v2WriteCannotReadMp3) return "cannot be opened for reading";
      if (code == kId3v2WriteCannotReopenTemp || code == kId3v2WriteCannotAppendTemp ||
          code == kId3v2WriteCannotReplace) {
        return "could not be rewritten with its new ID3v2 tag";
      }
      if (code == kId3v2WriteCannotCarry) {
        return "has an ID3v2 tag whose frames cannot all be carried over faithfully; it was left "
               "untouched";
      }
      if (code == kId3v2WriteNotMp3) return "is not an MP3 file; it was left untouched";
      if (code == kId3v2WriteFailed) {
        return "could not be rewritten: a write failed (is the disk full?)";
      }
      break;
    case TagOperation::kRemoveV2:
      if (code == kId3v2RemoveReadOnly) return "is read-only";
      if (code == kId3v2RemoveNoTempFile) {
        return "cannot lose its ID3v2 tag: no temporary file can be made";
      }
      if (code == kId3v2RemoveCannotReadMp3) return "cannot be opened for reading";
      if (code == kId3v2RemoveCannotAppendTemp || code == kId3v2RemoveCannotReplace) {
        return "could not be rewritten without its ID3v2 tag";
      }
      if (code == kId3v2RemoveWriteFailed) {
        return "could not be rewritten: a write failed (is the disk full?)";
      }
      break;
  }
  return "failed with code " + std::to_string(code);
}

}  // namespace tolvo::tool
