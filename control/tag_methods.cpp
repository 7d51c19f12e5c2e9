// The command sequences of the tag methods and the choice of the ID3v2 temporary folder.
#include "tag_methods.h"

#include <algorithm>

#include "tolvo/platform/utf16.h"
#include "tolvo/system_files.h"

namespace tolvo::control {
namespace {

// The ID3v2 fields in the order the engine is asked for them.
struct Id3v2Field {
  const char16_t* sizeCommand;
  const char16_t* getCommand;
  const char16_t* setCommand;
  std::u16string Id3v2Values::*member;
};

constexpr Id3v2Field kId3v2Fields[] = {
    {u"v2Composersize", u"v2Composer", u"wv2Composer", &Id3v2Values::composer},
    {u"v2OriginalArtistsize", u"v2OriginalArtist", u"wv2OriginalArtist",
     &Id3v2Values::originalArtist},
    {u"v2Copyrightsize", u"v2Copyright", u"wv2Copyright", &Id3v2Values::copyright},
    {u"v2URLsize", u"v2URL", u"wv2URL", &Id3v2Values::url},
    {u"v2EncodedBysize", u"v2EncodedBy", u"wv2EncodedBy", &Id3v2Values::encodedBy},
    {u"v2Commentsize", u"v2Comment", u"wv2Comment", &Id3v2Values::comment},
    {u"v2Genresize", u"v2Genre", u"wv2Genre", &Id3v2Values::genre},
    {u"v2Yearsize", u"v2Year", u"wv2Year", &Id3v2Values::year},
    {u"v2Albumsize", u"v2Album", u"wv2Album", &Id3v2Values::album},
    {u"v2Artistsize", u"v2Artist", u"wv2Artist", &Id3v2Values::artist},
    {u"v2Titlesize", u"v2Title", u"wv2Title", &Id3v2Values::title},
    {u"v2Tracksize", u"v2Track", u"wv2Track", &Id3v2Values::track},
};

// Sends "v2cleanup" when the scope ends, so the engine's ID3v2 texts are released on every path,
// also when an engine error ends the method. A failure of that last command is swallowed: the
// error that ended the method is the one the host must see.
class V2CleanupOnExit {
 public:
  explicit V2CleanupOnExit(EngineLink& engine) : engine_(engine) {}
  ~V2CleanupOnExit() {
    try {
      engine_.CallWindowLONG(u"v2cleanup", 0, 0, 0);
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
    made_ = static_cast<bool>(fs_.MakeTempFile(folder, kTempFilePrefix, &path_));
  }
  ~ProbeFile() {
    if (made_) fs_.Remove(path_.c_str());
  }
  ProbeFile(const ProbeFile&) = delete;
  ProbeFile& operator=(const ProbeFile&) = delete;
  bool made() const { return made_; }

 private:
  platform::FileSystem& fs_;
  std::string path_;
  bool made_ = false;
};

void SendTempFolder(EngineLink& engine, platform::FileSystem& fs) {
  SendText(engine, u"definetempfolder", ChooseTempFolder(engine.ControlFolder(), fs));
}

}  // namespace

int32_t ReadId3v1Tag(EngineLink& engine, const std::u16string& filename, Id3v1Values& values) {
  engine.Init();
  const int32_t result = SendText(engine, u"getid3v1", filename);
  if (result != 0) return result;
  Id3v1Values read;
  read.title = AskText(engine, u"v1Title", kId3v1AnswerBlanks);
  read.artist = AskText(engine, u"v1Artist", kId3v1AnswerBlanks);
  read.album = AskText(engine, u"v1Album", kId3v1AnswerBlanks);
  read.year = AskText(engine, u"v1Year", kId3v1AnswerBlanks);
  read.comment = AskText(engine, u"v1Comment", kId3v1AnswerBlanks);
  read.track = engine.CallWindowLONG(u"v1Track", 0, 0, 0);
  read.genre = engine.CallWindowLONG(u"v1Genre", 0, 0, 0);
  values = std::move(read);
  return 0;
}

int32_t WriteId3v1Tag(EngineLink& engine, const std::u16string& filename,
                      const Id3v1Values& values) {
  engine.Init();
  SendText(engine, u"wv1Title", values.title);
  SendText(engine, u"wv1Artist", values.artist);
  SendText(engine, u"wv1Album", values.album);
  SendText(engine, u"wv1Year", values.year);
  // The track goes before the comment: a nonzero track limits the comment to 28 characters.
  engine.CallWindowLONG(u"wv1Track", values.track, 0, 0);
  SendText(engine, u"wv1Comment", values.comment);
  engine.CallWindowLONG(u"wv1Genre", values.genre, 0, 0);
  return SendText(engine, u"setid3v1", filename);
}

int32_t RemoveId3v1Tag(EngineLink& engine, const std::u16string& filename) {
  engine.Init();
  return SendText(engine, u"removeid3v1", filename);
}

void GenerateId3v1Genres(EngineLink& engine, ControlEvents& events) {
  engine.Init();
  events.ID3v1GenreList(true, u"");
  for (int32_t index = 0; index < engine::kGenreCount; ++index) {
    std::u16string name(kId3v1AnswerBlanks, u' ');
    engine.CallWindow2(u"generategenre", name, index);
    events.ID3v1GenreList(false, name);
  }
}

int32_t ReadId3v2Tag(EngineLink& engine, const std::u16string& filename, Id3v2Values& values) {
  engine.Init();
  V2CleanupOnExit cleanup(engine);
  const int32_t result = SendText(engine, u"getid3v2", filename);
  if (result != 0) return result;
  Id3v2Values read;
  for (const Id3v2Field& field : kId3v2Fields) {
    // The engine copies the whole text without knowing the room, so the placeholder is never
    // smaller than the size it reported; a negative size asks for no room of its own.
    const int64_t size = std::max<int64_t>(engine.CallWindowLONG(field.sizeCommand, 0, 0, 0), 0);
    read.*field.member =
        AskText(engine, field.getCommand, static_cast<size_t>(size + kId3v2AnswerExtraBlanks));
  }
  values = std::move(read);
  return 0;
}

int32_t WriteId3v2Tag(EngineLink& engine, const std::u16string& filename, const Id3v2Values& values,
                      platform::FileSystem& fs) {
  engine.Init();
  SendTempFolder(engine, fs);
  engine.CallWindowLONG(u"v2cleanup", 0, 0, 0);
  V2CleanupOnExit cleanup(engine);
  for (const Id3v2Field& field : kId3v2Fields) {
    SendText(engine, field.setCommand, values.*field.member);
  }
  return SendText(engine, u"setid3v2", filename);
}

int32_t RemoveId3v2Tag(EngineLink& engine, const std::u16string& filename,
                       platform::FileSystem& fs) {
  engine.Init();
  SendTempFolder(engine, fs);
  return SendText(engine, u"remove_id3v2_tag", filename);
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
