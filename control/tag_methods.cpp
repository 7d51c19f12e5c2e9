// The command sequences of the tag methods and the choice of the ID3v2 temporary folder.
#include "tag_methods.h"

#include <algorithm>
#include <iterator>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/utf16.h"
#include "tolvo/system_files.h"

namespace tolvo::control {
namespace {

namespace commands = engine::commands;

// Where each ID3v2 field of the engine's field set goes among the method's parameters.
constexpr std::u16string Id3v2Values::*kId3v2Members[] = {
    &Id3v2Values::composer, &Id3v2Values::originalArtist, &Id3v2Values::copyright,
    &Id3v2Values::url,      &Id3v2Values::encodedBy,      &Id3v2Values::comment,
    &Id3v2Values::genre,    &Id3v2Values::year,           &Id3v2Values::album,
    &Id3v2Values::artist,   &Id3v2Values::title,          &Id3v2Values::track,
};
static_assert(std::size(kId3v2Members) == std::size(commands::kId3v2Fields));

// Sends "v2cleanup" when the scope ends, so the engine's ID3v2 texts are released on every path,
// also when an engine error ends the method. A failure of that last command is swallowed: the
// error that ended the method is the one the host must see.
class V2CleanupOnExit {
 public:
  explicit V2CleanupOnExit(EngineLink& engine) : engine_(engine) {}
  ~V2CleanupOnExit() {
    try {
      engine_.CallWindowLONG(commands::kV2Cleanup, 0, 0, 0);
    } catch (...) {
    }
  }
  V2CleanupOnExit(const V2CleanupOnExit&) = delete;
  V2CleanupOnExit& operator=(const V2CleanupOnExit&) = delete;

 private:
  EngineLink& engine_;
};

int32_t SendText(EngineLink& engine, std::u16string_view command, std::u16string text) {
  return engine.CallWindow2(command, text, 0);
}

// Asks the engine for a text answer into a placeholder of `blanks` blanks.
std::u16string AskText(EngineLink& engine, std::u16string_view command, size_t blanks) {
  std::u16string answer(blanks, u' ');
  engine.CallWindow2(command, answer, 0);
  return answer;
}

// A probe file made to learn whether a folder takes temporary files; deleted when it goes.
class ProbeFile {
 public:
  ProbeFile(platform::FileSystem& fs, const std::string& folder) : fs_(fs) {
    platform::IoResult<std::string> made = fs_.MakeTempFile(folder, kTempFilePrefix);
    if (made) path_ = std::move(*made);
  }
  ~ProbeFile() {
    if (made()) fs_.Remove(path_.c_str());
  }
  ProbeFile(const ProbeFile&) = delete;
  ProbeFile& operator=(const ProbeFile&) = delete;
  bool made() const { return !path_.empty(); }

 private:
  platform::FileSystem& fs_;
  std::string path_;
};

void SendTempFolder(EngineLink& engine, platform::FileSystem& fs) {
  SendText(engine, commands::kDefineTempFolder, ChooseTempFolder(engine.ControlFolder(), fs));
}

}  // namespace

int32_t ReadId3v1Tag(EngineLink& engine, const std::u16string& filename, Id3v1Values& values) {
  engine.Init();
  const int32_t result = SendText(engine, commands::kGetId3v1, filename);
  if (result != engine::kId3v1Ok) return result;
  Id3v1Values read;
  read.title = AskText(engine, commands::kV1Title, kId3v1AnswerBlanks);
  read.artist = AskText(engine, commands::kV1Artist, kId3v1AnswerBlanks);
  read.album = AskText(engine, commands::kV1Album, kId3v1AnswerBlanks);
  read.year = AskText(engine, commands::kV1Year, kId3v1AnswerBlanks);
  read.comment = AskText(engine, commands::kV1Comment, kId3v1AnswerBlanks);
  read.track = engine.CallWindowLONG(commands::kV1Track, 0, 0, 0);
  read.genre = engine.CallWindowLONG(commands::kV1Genre, 0, 0, 0);
  values = std::move(read);
  return engine::kId3v1Ok;
}

int32_t WriteId3v1Tag(EngineLink& engine, const std::u16string& filename,
                      const Id3v1Values& values) {
  engine.Init();
  SendText(engine, commands::kSetV1Title, values.title);
  SendText(engine, commands::kSetV1Artist, values.artist);
  SendText(engine, commands::kSetV1Album, values.album);
  SendText(engine, commands::kSetV1Year, values.year);
  // The track goes before the comment: a nonzero track limits the comment to 28 characters.
  engine.CallWindowLONG(commands::kSetV1Track, values.track, 0, 0);
  SendText(engine, commands::kSetV1Comment, values.comment);
  engine.CallWindowLONG(commands::kSetV1Genre, values.genre, 0, 0);
  return SendText(engine, commands::kSetId3v1, filename);
}

int32_t RemoveId3v1Tag(EngineLink& engine, const std::u16string& filename) {
  engine.Init();
  return SendText(engine, commands::kRemoveId3v1, filename);
}

void GenerateId3v1Genres(EngineLink& engine, ControlEvents& events) {
  engine.Init();
  events.ID3v1GenreList(true, u"");
  for (int32_t index = 0; index < engine::kGenreCount; ++index) {
    std::u16string name(kId3v1AnswerBlanks, u' ');
    engine.CallWindow2(commands::kGenerateGenre, name, index);
    events.ID3v1GenreList(false, name);
  }
}

int32_t ReadId3v2Tag(EngineLink& engine, const std::u16string& filename, Id3v2Values& values) {
  engine.Init();
  V2CleanupOnExit cleanup(engine);
  const int32_t result = SendText(engine, commands::kGetId3v2, filename);
  if (result != engine::kId3v2ReadOk) return result;
  Id3v2Values read;
  for (size_t i = 0; i < std::size(kId3v2Members); ++i) {
    const commands::Id3v2FieldCommands& field = commands::kId3v2Fields[i];
    // The engine copies the whole text without knowing the room, so the placeholder is never
    // smaller than the size it reported; a negative size asks for no room of its own.
    const int64_t size = std::max<int64_t>(engine.CallWindowLONG(field.size, 0, 0, 0), 0);
    read.*kId3v2Members[i] =
        AskText(engine, field.get, static_cast<size_t>(size + kId3v2AnswerExtraBlanks));
  }
  values = std::move(read);
  return engine::kId3v2ReadOk;
}

int32_t WriteId3v2Tag(EngineLink& engine, const std::u16string& filename, const Id3v2Values& values,
                      platform::FileSystem& fs) {
  engine.Init();
  SendTempFolder(engine, fs);
  engine.CallWindowLONG(commands::kV2Cleanup, 0, 0, 0);
  V2CleanupOnExit cleanup(engine);
  for (size_t i = 0; i < std::size(kId3v2Members); ++i) {
    SendText(engine, commands::kId3v2Fields[i].set, values.*kId3v2Members[i]);
  }
  return SendText(engine, commands::kSetId3v2, filename);
}

int32_t RemoveId3v2Tag(EngineLink& engine, const std::u16string& filename,
                       platform::FileSystem& fs) {
  engine.Init();
  SendTempFolder(engine, fs);
  return SendText(engine, commands::kRemoveId3v2, filename);
}

std::u16string ChooseTempFolder(const std::u16string& controlFolder, platform::FileSystem& fs) {
  if (!controlFolder.empty()) {
    std::string folder = platform::Utf16ToUtf8(controlFolder);
    if (folder.ends_with('/')) folder.pop_back();  // "/" becomes "", which still names the root
    if (ProbeFile(fs, folder).made()) return controlFolder;
  }
  return platform::Utf8ToUtf16(platform::SystemTempFolder());
}

}  // namespace tolvo::control
