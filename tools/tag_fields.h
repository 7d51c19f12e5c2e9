// The tag fields of both ID3 versions as tolvo reads and writes them through the control, with
// the messages for the result codes of the control's tag methods.
#pragma once

#include <cstdint>
#include <string>

#include "control_session.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::tool {

struct TagV1Texts {
  int32_t track = 0;  // 0: no track number
  std::u16string title, artist, album, year;
  // Index into the genre list; none is engine::kNoGenre as read, engine::kNoGenreByte as written.
  int32_t genre = engine::kNoGenreByte;
  std::u16string comment;
};

struct TagV2Texts {
  std::u16string track, title, artist, album, year, genre, comment, encodedBy, url, copyright,
      originalArtist, composer;
};

// Each returns the control's result code, or -1 with *error set when the method call failed.
int32_t ReadTagV1(ControlSession& s, const std::string& file, TagV1Texts* f, std::string* error);
int32_t WriteTagV1(ControlSession& s, const std::string& file, const TagV1Texts& f,
                   std::string* error);
int32_t RemoveTagV1(ControlSession& s, const std::string& file, std::string* error);
int32_t ReadTagV2(ControlSession& s, const std::string& file, TagV2Texts* f, std::string* error);
int32_t WriteTagV2(ControlSession& s, const std::string& file, const TagV2Texts& f,
                   std::string* error);
int32_t RemoveTagV2(ControlSession& s, const std::string& file, std::string* error);

enum class TagOperation { kReadV1, kWriteV1, kRemoveV1, kReadV2, kWriteV2, kRemoveV2 };
// What a nonzero result code of the operation means, as a phrase about the file.
std::string ResultMessage(TagOperation operation, int32_t code);

}  // namespace tolvo::tool
