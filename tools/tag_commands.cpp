// "tolvo tag show|set|remove": the ID3v1 and ID3v2 tags of one MP3 file through the control.
// "set" merges the given fields into the tag that is already there.
#include <algorithm>
#include <iostream>

#include "command_line.h"
#include "commands.h"
#include "failure_reasons.h"
#include "genre_list.h"
#include "help_texts.h"
#include "tag_fields.h"
#include "tag_options.h"
#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/utf16.h"
#include "tolvo/platform/utf8.h"
#include "tool_status.h"

namespace tolvo::tool {
namespace {

// The ID3v2 texts with their options and labels, in the order they are shown.
struct V2Field {
  const char* option;
  const char* label;
  std::u16string TagV2Texts::*member;
};
constexpr V2Field kV2Fields[] = {
    {"--title", "Title", &TagV2Texts::title},
    {"--artist", "Artist", &TagV2Texts::artist},
    {"--album", "Album", &TagV2Texts::album},
    {"--year", "Year", &TagV2Texts::year},
    {"--track", "Track", &TagV2Texts::track},
    {"--genre", "Genre", &TagV2Texts::genre},
    {"--comment", "Comment", &TagV2Texts::comment},
    {"--composer", "Composer", &TagV2Texts::composer},
    {"--original-artist", "Original artist", &TagV2Texts::originalArtist},
    {"--copyright", "Copyright", &TagV2Texts::copyright},
    {"--url", "URL", &TagV2Texts::url},
    {"--encoded-by", "Encoded by", &TagV2Texts::encodedBy},
};

constexpr OptionRule kVersionOptions[] = {{"--v1", false}, {"--v2", false}};

std::string Trimmed(const std::u16string& text) {
  std::string utf8 = platform::Utf16ToUtf8(text);
  while (!utf8.empty() && (utf8.back() == ' ' || utf8.back() == '\0')) utf8.pop_back();
  return utf8;
}

void PrintField(const char* label, const std::string& value) {
  std::string padded = std::string(label) + ":";
  padded.resize(std::max<size_t>(padded.size() + 1, 18), ' ');
  if (value.empty()) padded.erase(padded.find_last_not_of(" ") + 1);
  std::cout << "  " << padded << value << '\n';
}

// A year is four digits; a track is a number from 1 to 255, for ID3v2 optionally followed by
// "/" and the number of tracks. Checked before anything is written; false with *error.
bool CheckYearAndTrack(const ParsedArguments& a, std::string* error) {
  if (a.Has("--year")) {
    const std::string& year = a.Value("--year");
    const bool fourDigits = year.size() == 4 && std::all_of(year.begin(), year.end(), [](char c) {
                              return c >= '0' && c <= '9';
                            });
    if (!fourDigits) {
      *error = "--year must be four digits, not '" + year + "'";
      return false;
    }
  }
  if (a.Has("--track")) {
    const std::string& given = a.Value("--track");
    const size_t slash = given.find('/');
    const bool numberOk = ParseNumber(given.substr(0, slash), 1, 255).has_value();
    const bool totalOk =
        slash == std::string::npos || ParseNumber(given.substr(slash + 1), 1, 255).has_value();
    if (!numberOk || !totalOk) {
      *error = "--track must be a number from 1 to 255 (or N/TOTAL), not '" + given + "'";
      return false;
    }
  }
  return true;
}

// The ID3v1 texts given on the command line, with their options and labels.
struct V1Text {
  const char* option;
  const char* label;
  std::u16string TagV1Texts::*member;
};
constexpr V1Text kV1Texts[] = {
    {"--title", "title", &TagV1Texts::title},       {"--artist", "artist", &TagV1Texts::artist},
    {"--album", "album", &TagV1Texts::album},       {"--year", "year", &TagV1Texts::year},
    {"--comment", "comment", &TagV1Texts::comment},
};

// The characters of a UTF-8 text (a malformed sequence counts as one).
std::u32string CodePoints(std::string_view text) {
  std::u32string characters;
  for (size_t i = 0; i < text.size();) characters += platform::utf8::Next(text, i);
  return characters;
}

// Compares what ID3v1 stored with what was given and warns about every text it changed: cut to
// the field's width, or with '?' for characters Windows-1252 lacks.
void WarnAboutId3v1Losses(const std::string& file, const ParsedArguments& a,
                          const TagV1Texts& stored) {
  for (const V1Text& text : kV1Texts) {
    if (!a.Has(text.option)) continue;
    // Compared by characters: one beyond 16 bits is two UTF-16 units but one '?' in the record.
    const std::u32string given = CodePoints(a.Value(text.option));
    std::u16string keptText = stored.*text.member;
    while (!keptText.empty() && keptText.back() == u'\0') keptText.pop_back();
    const std::u32string kept = CodePoints(platform::Utf16ToUtf8(keptText));
    if (kept == given) continue;
    const bool cut = kept.size() < given.size();
    const bool replaced = given.compare(0, kept.size(), kept) != 0;
    std::cerr << "tolvo: " << file << ": warning: ID3v1 holds the " << text.label << " as '"
              << platform::Utf16ToUtf8(keptText) << "'"
              << (cut && replaced ? " (cut, and '?' for characters it cannot store)"
                  : cut           ? " (cut to " + std::to_string(kept.size()) + " characters)"
                                  : " ('?' for characters it cannot store)")
              << "; ID3v2 holds it whole\n";
  }
}

// A missing file or a folder is refused here, with a clearer message than the result codes give.
bool CheckFile(const std::string& file, std::string* problem) {
  const platform::IoResult<platform::FileInfo> info = platform::RealFileSystem().Stat(file.c_str());
  if (!info) {
    *problem = file + ": no such file";
  } else if (info->kind != platform::FileKind::kFile) {
    *problem = file + ": not a file";
  } else {
    return true;
  }
  return false;
}

// A failed tag operation on `file`, with the system's reason when the file itself refuses access.
int ReportTagFailure(const std::string& file, const std::string& path, const std::string& failure,
                     bool writing) {
  std::string reason = FileAccessProblem(path, writing);
  return ReportError(kExitFailure, file + ": " + failure + (reason.empty() ? "" : ": " + reason));
}

int ShowTags(const std::string& file) {
  std::string error;
  if (!CheckFile(file, &error)) return ReportError(kExitFailure, error);
  const std::string path = AbsolutePath(file);
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);

  TagV1Texts v1;
  int32_t v1Result = ReadTagV1(*session, path, &v1, &error);
  if (v1Result < 0 || v1Result == engine::kId3v1CannotOpen) {
    return ReportTagFailure(
        file, path, v1Result < 0 ? error : ResultMessage(TagOperation::kReadV1, v1Result), false);
  }
  TagV2Texts v2;
  int32_t v2Result = ReadTagV2(*session, path, &v2, &error);
  if (v2Result < 0) return ReportTagFailure(file, path, error, false);

  std::cout << file << '\n';
  if (v1Result == engine::kId3v1Ok) {
    std::vector<std::string> genres = FetchGenreNames(*session, &error);
    std::cout << "ID3v1:\n";
    PrintField("Title", Trimmed(v1.title));
    PrintField("Artist", Trimmed(v1.artist));
    PrintField("Album", Trimmed(v1.album));
    PrintField("Year", Trimmed(v1.year));
    PrintField("Track", v1.track == 0 ? "" : std::to_string(v1.track));
    std::string genre;
    if (v1.genre >= 0 && static_cast<size_t>(v1.genre) < genres.size()) genre = genres[v1.genre];
    while (!genre.empty() && genre.back() == ' ') genre.pop_back();
    PrintField("Genre", genre.empty() ? "" : genre + " (" + std::to_string(v1.genre) + ")");
    PrintField("Comment", Trimmed(v1.comment));
  } else {
    std::cout << "ID3v1: none\n";
  }
  if (v2Result == engine::kId3v2ReadOk) {
    std::cout << "ID3v2:\n";
    for (const V2Field& field : kV2Fields) {
      const std::u16string& value = v2.*field.member;
      if (!value.empty()) PrintField(field.label, platform::Utf16ToUtf8(value));
    }
  } else if (v2Result == engine::kId3v2NoUsableTag) {
    std::cout << "ID3v2: none\n";
  } else {
    std::cout << "ID3v2: " << ResultMessage(TagOperation::kReadV2, v2Result) << '\n';
  }
  std::cout << std::flush;
  return kExitSuccess;
}

// Fills the ID3v1 fields from the options; false with *error (a usage error) for a bad value.
bool ApplyToId3v1(const ParsedArguments& a, const std::vector<std::string>& genres, TagV1Texts* f,
                  std::string* error) {
  if (a.Has("--title")) f->title = platform::Utf8ToUtf16(a.Value("--title"));
  if (a.Has("--artist")) f->artist = platform::Utf8ToUtf16(a.Value("--artist"));
  if (a.Has("--album")) f->album = platform::Utf8ToUtf16(a.Value("--album"));
  if (a.Has("--year")) f->year = platform::Utf8ToUtf16(a.Value("--year"));
  if (a.Has("--comment")) f->comment = platform::Utf8ToUtf16(a.Value("--comment"));
  if (a.Has("--track")) {
    // "3/12" stores 3: ID3v1 has no room for the total.
    const std::string& given = a.Value("--track");
    f->track = ParseNumber(given.substr(0, given.find('/')), 1, 255).value_or(0);
  }
  if (a.Has("--genre")) {
    std::optional<int> genre = FindGenre(genres, a.Value("--genre"));
    if (!genre) {
      *error = std::string("'")
                   .append(a.Value("--genre"))
                   .append(
                       "' is not an ID3v1 genre (see 'tolvo genres'; with --v2 alone any text is "
                       "stored)");
      return false;
    }
    f->genre = *genre;
  } else if (f->genre < 0 || f->genre >= engine::kNoGenre) {
    f->genre = engine::kNoGenreByte;  // the blank last entry, or no tag before: "no genre"
  }
  return true;
}

void ApplyToId3v2(const ParsedArguments& a, const std::vector<std::string>& genres, TagV2Texts* f) {
  for (const V2Field& field : kV2Fields) {
    if (a.Has(field.option)) f->*field.member = platform::Utf8ToUtf16(a.Value(field.option));
  }
  // A genre of the list, by number or by name in any letter case, is stored by its own name.
  if (a.Has("--genre")) {
    if (std::optional<int> index = FindGenre(genres, a.Value("--genre"))) {
      f->genre = platform::Utf8ToUtf16(genres[*index]);
    }
  }
}

// The tags as they are, with the given fields merged in; "" or what failed. Warnings about what
// ID3v1 could not hold name `file`.
std::string MergeAndWrite(ControlSession& session, const std::string& file, const std::string& path,
                          const std::vector<std::string>& genres, const ParsedArguments& a, bool v1,
                          bool v2) {
  std::string error;
  TagV1Texts v1Fields;
  if (v1) {
    int32_t read = ReadTagV1(session, path, &v1Fields, &error);
    if (read < 0) return error;
    if (read != engine::kId3v1Ok) v1Fields = TagV1Texts{};
    if (!ApplyToId3v1(a, genres, &v1Fields, &error)) return error;
  }
  if (v2) {
    TagV2Texts v2Fields;
    int32_t read = ReadTagV2(session, path, &v2Fields, &error);
    if (read < 0) return error;
    if (read != engine::kId3v2ReadOk) v2Fields = TagV2Texts{};
    ApplyToId3v2(a, genres, &v2Fields);
    int32_t written = WriteTagV2(session, path, v2Fields, &error);
    if (written != engine::kId3v2WriteOk) {
      return written < 0 ? error : ResultMessage(TagOperation::kWriteV2, written);
    }
  }
  if (v1) {
    int32_t written = WriteTagV1(session, path, v1Fields, &error);
    if (written != engine::kId3v1Ok) {
      return written < 0 ? error : ResultMessage(TagOperation::kWriteV1, written);
    }
    TagV1Texts stored;
    if (!a.quiet && ReadTagV1(session, path, &stored, &error) == engine::kId3v1Ok) {
      WarnAboutId3v1Losses(file, a, stored);
    }
  }
  return {};
}

int SetTags(const std::string& file, const ParsedArguments& a) {
  const std::string path = AbsolutePath(file);
  bool v1 = a.Has("--v1") || !a.Has("--v2");
  bool v2 = a.Has("--v2") || !a.Has("--v1");
  if (!HasTagFields(a)) return ReportUsage("tag set", "no field to set");

  std::string error;
  if (!CheckFile(file, &error)) return ReportError(kExitFailure, error);
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);
  // Check every value before anything is written.
  if (std::string problem = CheckTagFields(*session, a, v1); !problem.empty()) {
    return ReportUsage("tag set", problem);
  }
  if (std::string failure = WriteTagFields(*session, file, path, a, v1, v2); !failure.empty()) {
    return ReportTagFailure(file, path, failure, true);
  }
  if (!a.quiet) {
    std::cout << file << ": "
              << (v1 && v2 ? "ID3v1 and ID3v2 tags"
                  : v1     ? "ID3v1 tag"
                           : "ID3v2 tag")
              << " written" << std::endl;
  }
  return kExitSuccess;
}

// Removes the tags asked for that the file has, and says exactly what it removed.
int RemoveTags(const std::string& file, const ParsedArguments& a) {
  const std::string path = AbsolutePath(file);
  bool v1 = a.Has("--v1") || !a.Has("--v2");
  bool v2 = a.Has("--v2") || !a.Has("--v1");
  std::string error;
  if (!CheckFile(file, &error)) return ReportError(kExitFailure, error);
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);

  // Which of the tags are there: a tag that is not is not "removed".
  TagV1Texts v1Fields;
  TagV2Texts v2Fields;
  const int32_t v1Read =
      v1 ? ReadTagV1(*session, path, &v1Fields, &error) : engine::kId3v1CannotOpen;
  if (v1Read < 0) return ReportTagFailure(file, path, error, false);
  const int32_t v2Read =
      v2 ? ReadTagV2(*session, path, &v2Fields, &error) : engine::kId3v2NoUsableTag;
  if (v2Read < 0) return ReportTagFailure(file, path, error, false);
  const bool hasV1 = v1 && v1Read == engine::kId3v1Ok;
  // A tag that cannot be read in full is still there.
  const bool hasV2 = v2 && v2Read != engine::kId3v2NoUsableTag;
  if (!hasV1 && !hasV2) {
    if (a.quiet) return kExitSuccess;
    std::cout << file << ": no "
              << (v1 && v2 ? "ID3v1 or ID3v2 tag"
                  : v1     ? "ID3v1 tag"
                           : "ID3v2 tag")
              << " to remove" << std::endl;
    return kExitSuccess;
  }
  if (hasV2) {
    int32_t result = RemoveTagV2(*session, path, &error);
    if (result != engine::kId3v2RemoveOk) {
      return ReportTagFailure(
          file, path, result < 0 ? error : ResultMessage(TagOperation::kRemoveV2, result), true);
    }
  }
  if (hasV1) {
    int32_t result = RemoveTagV1(*session, path, &error);
    if (result != engine::kId3v1Ok) {
      return ReportTagFailure(
          file, path,
          (result < 0 ? error : ResultMessage(TagOperation::kRemoveV1, result)) +
              (hasV2 ? " (its ID3v2 tag was removed)" : ""),
          true);
    }
  }
  if (a.quiet) return kExitSuccess;
  std::cout << file << ": "
            << (hasV1 && hasV2 ? "ID3v1 and ID3v2 tags"
                : hasV1        ? "ID3v1 tag"
                               : "ID3v2 tag")
            << " removed";
  if (v1 && !hasV1) std::cout << "; it had no ID3v1 tag";
  if (v2 && !hasV2) std::cout << "; it had no ID3v2 tag";
  std::cout << std::endl;
  return kExitSuccess;
}

}  // namespace

std::span<const OptionRule> TagFieldOptions() {
  static const std::vector<OptionRule> options = [] {
    std::vector<OptionRule> fields;
    for (const V2Field& field : kV2Fields) fields.push_back({field.option, true});
    return fields;
  }();
  return options;
}

bool HasTagFields(const ParsedArguments& a) {
  for (const V2Field& field : kV2Fields) {
    if (a.Has(field.option)) return true;
  }
  return false;
}

std::string CheckTagFields(ControlSession& session, const ParsedArguments& a, bool v1) {
  std::string error;
  if (!CheckYearAndTrack(a, &error)) return error;
  if (!v1 || !a.Has("--genre")) return {};
  std::vector<std::string> genres = FetchGenreNames(session, &error);
  if (genres.empty()) return error.empty() ? "no genre list" : error;
  TagV1Texts blank;
  if (!ApplyToId3v1(a, genres, &blank, &error)) return error;
  return {};
}

std::string WriteTagFields(ControlSession& session, const std::string& file,
                           const std::string& path, const ParsedArguments& a, bool v1, bool v2) {
  // The genre list is asked for only when a genre is given by name or number.
  std::vector<std::string> genres;
  if (a.Has("--genre")) {
    std::string error;
    genres = FetchGenreNames(session, &error);
    if (genres.empty()) return error.empty() ? "no genre list" : error;
  }
  return MergeAndWrite(session, file, path, genres, a, v1, v2);
}

int RunTagCommand(Arguments arguments) {
  if (arguments.empty()) return ReportUsage("tag", "wants show, set or remove");
  const std::string& action = arguments[0];
  if (action == "--help" || action == "-h") {
    std::cout << kTagHelp;
    return kExitSuccess;
  }
  std::span<const OptionRule> options;
  const char* help = nullptr;
  if (action == "show") {
    help = kTagShowHelp;
  } else if (action == "set") {
    static const std::vector<OptionRule> setOptions = [] {
      std::vector<OptionRule> all(std::begin(kVersionOptions), std::end(kVersionOptions));
      for (const OptionRule& field : TagFieldOptions()) all.push_back(field);
      return all;
    }();
    options = setOptions;
    help = kTagSetHelp;
  } else if (action == "remove") {
    options = kVersionOptions;
    help = kTagRemoveHelp;
  } else {
    return ReportUsage("tag", "unknown action '" + action + "' (wants show, set or remove)");
  }
  std::string command = "tag " + action;
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments.subspan(1), options, &error);
  if (!parsed) return ReportUsage(command, error);
  if (parsed->help) {
    std::cout << help;
    return kExitSuccess;
  }
  if (parsed->positionals.size() != 1) return ReportUsage(command, "wants one FILE");
  const std::string& file = parsed->positionals[0];
  if (action == "show") return ShowTags(file);
  if (action == "set") return SetTags(file, *parsed);
  return RemoveTags(file, *parsed);
}

}  // namespace tolvo::tool
