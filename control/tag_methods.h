// The tag methods of the control: each is one synchronous sequence of engine commands. Values
// travel in the fields below; the engine's result code is the method's result, and the fields
// a read fills are changed only when the read succeeds.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"
#include "tolvo_encode_seams.h"

namespace tolvo::control {

// Placeholder lengths of the texts that carry an engine answer.
inline constexpr size_t kId3v1AnswerBlanks = 300;
inline constexpr int32_t kId3v2AnswerExtraBlanks = 10;

struct Id3v1Values {
  int32_t track = 0;
  std::u16string title, artist, album, year;
  int32_t genre = 0;
  std::u16string comment;
};

struct Id3v2Values {
  std::u16string track, title, artist, album, year, genre, comment, encodedBy, url, copyright,
      originalArtist, composer;
};

// Result of "getid3v1"; on 0 `values` holds the tag's fields exactly as the engine keeps them.
int32_t ReadId3v1Tag(EngineLink& engine, const std::u16string& filename, Id3v1Values& values);
int32_t WriteId3v1Tag(EngineLink& engine, const std::u16string& filename,
                      const Id3v1Values& values);
int32_t RemoveId3v1Tag(EngineLink& engine, const std::u16string& filename);
// ID3v1GenreList once with ClearFlag true and "", then once per genre name in index order.
void GenerateId3v1Genres(EngineLink& engine, ControlEvents& events);

// Result of "getid3v2"; on 0 `values` holds the twelve texts (empty for absent fields).
// "v2cleanup" is sent on every path once "getid3v2" has been tried.
int32_t ReadId3v2Tag(EngineLink& engine, const std::u16string& filename, Id3v2Values& values);
// Result of "setid3v2"; the engine's field set is emptied before and after.
int32_t WriteId3v2Tag(EngineLink& engine, const std::u16string& filename, const Id3v2Values& values,
                      platform::FileSystem& fs = platform::RealFileSystem());
int32_t RemoveId3v2Tag(EngineLink& engine, const std::u16string& filename,
                       platform::FileSystem& fs = platform::RealFileSystem());

// The folder for the engine's temporary copy: `controlFolder` (with its trailing '/') when a
// temporary file can be made there, else the system temporary folder with a trailing '/'.
std::u16string ChooseTempFolder(const std::u16string& controlFolder, platform::FileSystem& fs);

}  // namespace tolvo::control
