// The engine's published vocabulary against its command tables: every name is spelled as callers
// send it, in 8-bit and UTF-16 alike, and the tables hold exactly the vocabulary's names, once.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/command.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::engine {
namespace {

namespace c = commands;

struct Spelling {
  const CommandName& name;
  std::string expected;
};

std::vector<Spelling> EveryName() {
  std::vector<Spelling> names = {
      {c::kPassFiles, "passfiles"},
      {c::kBitrate, "bitrate"},
      {c::kVbr, "vbr"},
      {c::kVbrMaxBitrate, "vbrmaxbitrate"},
      {c::kStereoMode, "stereomode"},
      {c::kQuality, "quality"},
      {c::kVbrQuality, "vbrquality"},
      {c::kThreads, "threads"},
      {c::kIntPriority, "intpriority"},
      {c::kIntReturn, "intreturn"},
      {c::kProgress, "progress"},
      {c::kPause, "pause"},
      {c::kResume, "resume"},
      {c::kCancel, "cancel"},
      {c::kPassPath, "passpath"},
      {c::kDefineTempFolder, "definetempfolder"},
      {c::kJobEventFd, "jobeventfd"},
      {c::kCloseJobEventFd, "closejobeventfd"},
      {c::kGetId3v1, "getid3v1"},
      {c::kSetId3v1, "setid3v1"},
      {c::kRemoveId3v1, "removeid3v1"},
      {c::kGenerateGenre, "generategenre"},
      {c::kV1Title, "v1Title"},
      {c::kV1Artist, "v1Artist"},
      {c::kV1Album, "v1Album"},
      {c::kV1Year, "v1Year"},
      {c::kV1Comment, "v1Comment"},
      {c::kV1Track, "v1Track"},
      {c::kV1Genre, "v1Genre"},
      {c::kSetV1Title, "wv1Title"},
      {c::kSetV1Artist, "wv1Artist"},
      {c::kSetV1Album, "wv1Album"},
      {c::kSetV1Year, "wv1Year"},
      {c::kSetV1Comment, "wv1Comment"},
      {c::kSetV1Track, "wv1Track"},
      {c::kSetV1Genre, "wv1Genre"},
      {c::kGetId3v2, "getid3v2"},
      {c::kSetId3v2, "setid3v2"},
      {c::kRemoveId3v2, "remove_id3v2_tag"},
      {c::kV2Cleanup, "v2cleanup"},
  };
  // The twelve ID3v2 fields in the order of the field set.
  static constexpr const char* kFields[] = {"Composer",  "OriginalArtist", "Copyright", "URL",
                                            "EncodedBy", "Comment",        "Genre",     "Year",
                                            "Album",     "Artist",         "Title",     "Track"};
  static_assert(std::size(c::kId3v2Fields) == std::size(kFields));
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const std::string field = kFields[i];
    names.push_back({c::kId3v2Fields[i].size, "v2" + field + "size"});
    names.push_back({c::kId3v2Fields[i].get, "v2" + field});
    names.push_back({c::kId3v2Fields[i].set, "wv2" + field});
  }
  return names;
}

TEST(Vocabulary, EveryNameIsSpelledAsCallersSendItInBothForms) {
  for (const Spelling& s : EveryName()) {
    EXPECT_EQ(s.name.text(), s.expected);
    EXPECT_EQ(s.name.wide(), std::u16string(s.expected.begin(), s.expected.end())) << s.expected;
  }
}

TEST(Vocabulary, TheCommandTablesHoldExactlyTheVocabularysNamesOnce) {
  std::map<std::string, int> inTables;
  for (auto table : {JobCommands(), Id3v1Commands(), Id3v2Commands()}) {
    for (const Command& command : table) {
      ++inTables[command.name];
      EXPECT_NE(command.handler, nullptr) << command.name;
    }
  }
  std::map<std::string, int> inVocabulary;
  for (const Spelling& s : EveryName()) ++inVocabulary[s.name.text()];
  for (const auto& [name, count] : inTables) {
    EXPECT_EQ(count, 1) << name << " is in the tables more than once";
    EXPECT_EQ(inVocabulary.count(name), 1u) << name << " is in a table but not in the vocabulary";
  }
  for (const auto& [name, count] : inVocabulary) {
    EXPECT_EQ(count, 1) << name << " is in the vocabulary more than once";
    EXPECT_EQ(inTables.count(name), 1u) << name << " is in the vocabulary but in no table";
  }
}

}  // namespace
}  // namespace tolvo::engine
