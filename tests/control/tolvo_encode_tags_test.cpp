// Tags through the built control and the real engine: ID3v1 and ID3v2 round trips with
// Windows-1252 texts that mutagen reads back, reads of untagged files, the comment limit of
// ID3v1.1, removal, and the genre list raised through ID3v1GenreList.
#include "tolvo_encode_test_host.h"

namespace tolvo::test {
namespace {

using namespace control;

class TagTest : public ControlHostTest {
 protected:
  void SetUp() override {
    ControlHostTest::SetUp();
    control_ = Create();
    ASSERT_TRUE(control_);
    // An MP3 of the control's own making.
    EventSink* sink = Connect(control_);
    Variant v;
    ASSERT_EQ(
        control_->MP3Encode(Wav("in.wav", 0.5), U16(mp3_), 128, u"joint", u"normal", 0, 320, &v),
        S_OK);
    ASSERT_TRUE(WaitForEnd(sink));
    ASSERT_EQ(sink->heard[sink->heard.size() - 3].number, 0);
    sink->heard.clear();
    sink_ = sink;
  }
  // What mutagen reads from the file: one "KEY=value" line per frame, UTF-8.
  std::string Mutagen(const std::string& script) const {
    std::string output;
    const std::string command = "/usr/bin/python3 -c \"import mutagen.id3 as m; t=m.ID3('" + mp3_ +
                                "'); " + script + "\" 2>&1";
    EXPECT_EQ(RunCommand(command, &output), 0) << output;
    return output;
  }

  std::string mp3_ = dir_ / "tagged.mp3";
  ComPtr<_TolvoEncode> control_;
  EventSink* sink_ = nullptr;
};

TEST_F(TagTest, Id3v1RoundTripKeepsAccentsAndMutagenReadsThem) {
  int32_t result = -1;
  ASSERT_EQ(control_->Write_ID3_v1_tag(U16(mp3_), 7, U16("Café Müller"), U16("Bärbel"), u"Album",
                                       u"1978", 13, U16("Déjà vu"), &result),
            S_OK);
  EXPECT_EQ(result, 0);

  int32_t track = 0, genre = 0;
  std::u16string title, artist, album, year, comment;
  ASSERT_EQ(control_->Read_ID3_v1_tag(U16(mp3_), &track, &title, &artist, &album, &year, &genre,
                                      &comment, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(title, U16("Café Müller"));
  EXPECT_EQ(artist, U16("Bärbel"));
  EXPECT_EQ(year, u"1978");
  EXPECT_EQ(comment, U16("Déjà vu"));
  EXPECT_EQ(track, 7);
  EXPECT_EQ(genre, 13);
  EXPECT_EQ(Mutagen("print(t['TIT2'].text[0]); print(t['TPE1'].text[0]); print(t['TRCK'].text[0])"),
            "Café Müller\nBärbel\n7\n");
  EXPECT_TRUE(sink_->heard.empty());  // tag methods raise no events
}

TEST_F(TagTest, Id3v1CommentIs28CharactersWithATrackAnd30Without) {
  const std::u16string thirty = u"abcdefghijklmnopqrstuvwxyz0123";
  int32_t result = -1, track = 0, genre = 0;
  std::u16string title, artist, album, year, comment;
  for (int32_t withTrack : {5, 0}) {
    ASSERT_EQ(control_->Write_ID3_v1_tag(U16(mp3_), withTrack, u"t", u"a", u"b", u"2000", 0, thirty,
                                         &result),
              S_OK);
    ASSERT_EQ(control_->Read_ID3_v1_tag(U16(mp3_), &track, &title, &artist, &album, &year, &genre,
                                        &comment, &result),
              S_OK);
    EXPECT_EQ(comment, thirty.substr(0, withTrack ? 28 : 30));
    EXPECT_EQ(track, withTrack);
  }
  ASSERT_EQ(control_->Remove_ID3V1_tag(U16(mp3_), &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(control_->Read_ID3_v1_tag(U16(mp3_), &track, &title, &artist, &album, &year, &genre,
                                      &comment, &result),
            S_OK);
  EXPECT_EQ(result, 2);
}

TEST_F(TagTest, ReadsOfAnUntaggedFileReturnTheirCodesAndLeaveTheParameters) {
  int32_t result = -1, track = 4, genre = 6;
  std::u16string title = u"t", artist = u"a", album = u"b", year = u"y", comment = u"c";
  ASSERT_EQ(control_->Read_ID3_v1_tag(U16(mp3_), &track, &title, &artist, &album, &year, &genre,
                                      &comment, &result),
            S_OK);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(track, 4);
  EXPECT_EQ(genre, 6);
  EXPECT_EQ(title, u"t");
  EXPECT_EQ(comment, u"c");

  std::u16string f[12] = {u"1", u"2", u"3", u"4",  u"5",  u"6",
                          u"7", u"8", u"9", u"10", u"11", u"12"};
  ASSERT_EQ(control_->Read_ID3_v2_tag(U16(mp3_), &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6],
                                      &f[7], &f[8], &f[9], &f[10], &f[11], &result),
            S_OK);
  EXPECT_EQ(result, 1);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f[i], U16(std::to_string(i + 1)));
}

TEST_F(TagTest, Id3v2RoundTripGivesBackTheTwelveTextsAndMutagenAgrees) {
  const std::u16string written[12] = {
      u"3",
      U16("Café Müller"),
      u"Бäрбель 坂本龍一 \U0001F3B5",  // Cyrillic, Japanese, beyond 16 bits
      u"“Album” €",
      u"1999",
      u"(13)",
      U16("Très bien"),
      u"Tolvo",
      u"https://x.example/",
      u"(c) Tolvo",
      u"Original",
      U16("Komponíst")};
  int32_t result = -1;
  ASSERT_EQ(control_->Write_ID3_v2_tag(U16(mp3_), written[0], written[1], written[2], written[3],
                                       written[4], written[5], written[6], written[7], written[8],
                                       written[9], written[10], written[11], &result),
            S_OK);
  ASSERT_EQ(result, 0);

  std::u16string f[12];
  ASSERT_EQ(control_->Read_ID3_v2_tag(U16(mp3_), &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6],
                                      &f[7], &f[8], &f[9], &f[10], &f[11], &result),
            S_OK);
  ASSERT_EQ(result, 0);
  for (int i = 0; i < 12; ++i) {
    if (i == 5) continue;
    EXPECT_EQ(f[i], written[i]) << i;
  }
  EXPECT_EQ(f[5], u"Pop");  // a genre of the form (n) comes back as its name
  EXPECT_EQ(Mutagen("print(t['TIT2'].text[0]); print(t['TPE1'].text[0]); print(t['TCOM'].text[0])"),
            "Café Müller\nБäрбель 坂本龍一 \U0001F3B5\nKomponíst\n");
  EXPECT_NEAR(DecodedSeconds(mp3_), 0.5, 0.05);  // the audio is untouched

  ASSERT_EQ(control_->Remove_ID3V2_tag(U16(mp3_), &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(control_->Read_ID3_v2_tag(U16(mp3_), &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6],
                                      &f[7], &f[8], &f[9], &f[10], &f[11], &result),
            S_OK);
  EXPECT_EQ(result, 1);
  // No temporary file is left in the control's folder.
  // (Temporary names are "tolvo" and six more characters; the folder's own files are not.)
  for (const std::string& name : ListFolder(OutDir())) {
    EXPECT_FALSE(name.size() == 11 && name.rfind("tolvo", 0) == 0) << name;
  }
}

TEST_F(TagTest, TheGenreListArrivesInIndexOrderAfterAClear) {
  Variant v = Variant::FromI4(1);
  ASSERT_EQ(control_->Generate_ID3v1Genre(&v), S_OK);
  EXPECT_TRUE(v.IsEmpty());
  ASSERT_EQ(sink_->heard.size(), 150u);
  EXPECT_EQ(sink_->heard[0].dispid, kDispidID3v1GenreList);
  EXPECT_TRUE(sink_->heard[0].flag);
  EXPECT_EQ(sink_->heard[0].text, u"");
  EXPECT_EQ(sink_->heard[0].types, (std::vector<uint16_t>{VT_BYREF | VT_BOOL, VT_BYREF | VT_BSTR}));
  for (size_t i = 1; i < 150; ++i) EXPECT_FALSE(sink_->heard[i].flag);
  EXPECT_EQ(sink_->heard[1].text, u"Blues");
  EXPECT_EQ(sink_->heard[14].text, u"Pop");  // genre 13
  EXPECT_EQ(sink_->heard[148].text, u"Synthpop");
  EXPECT_EQ(sink_->heard[149].text, u" ");
}

}  // namespace
}  // namespace tolvo::test
