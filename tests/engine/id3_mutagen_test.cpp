// Interoperability with another tagger: tags written by python3-mutagen read back right through
// the built engine library's interface1, and ID3v1 tags the engine writes read back right in
// mutagen. Texts cross as 8-bit bytes on both sides (Latin-1 in the tag).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "id3_builders.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace {

using Interface1 = int32_t (*)(const char*, intptr_t, intptr_t, intptr_t);
using tolvo::test::Bytes;

class MutagenInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = tolvo::platform::Library(
        tolvo::platform::LoadLibrary(tolvo::test::OutDir() + "/" + tolvo::kEngineLibraryName));
    ASSERT_TRUE(library_) << tolvo::platform::LastLibraryError();
    entry_ =
        reinterpret_cast<Interface1>(tolvo::platform::FindSymbol(library_.get(), "interface1"));
    ASSERT_NE(entry_, nullptr);
    ASSERT_EQ(tolvo::test::RunCommand("/usr/bin/python3 -c 'import mutagen'"), 0)
        << "python3-mutagen is required";
  }
  int32_t Call(const char* command, intptr_t a1 = 0, intptr_t a3 = 0) {
    return entry_(command, a1, 0, a3);
  }
  int32_t Call(const char* command, const std::string& text) {
    return Call(command, reinterpret_cast<intptr_t>(text.c_str()));
  }
  std::string Get(const char* command) {
    char buffer[256] = {};
    EXPECT_EQ(Call(command, reinterpret_cast<intptr_t>(buffer)), 0);
    return buffer;
  }
  // Fetches an ID3v2 field the way the control does: size, then a buffer of size + 10.
  std::string GetV2(const std::string& field) {
    const int32_t size = Call(("v2" + field + "size").c_str());
    std::string buffer(static_cast<size_t>(size) + 10, '\x55');
    EXPECT_EQ(Call(("v2" + field).c_str(), reinterpret_cast<intptr_t>(buffer.data())), 0);
    return std::string(buffer.c_str());
  }
  // Runs a Python script with the file's path as its argument.
  std::string Python(const std::string& script, const std::string& path, int* status = nullptr) {
    const std::string scriptPath = dir_ / "script.py";
    std::ofstream(scriptPath) << script;
    std::string output;
    int rc = tolvo::test::RunCommand("/usr/bin/python3 '" + scriptPath + "' '" + path + "' 2>&1",
                                     &output);
    if (status) *status = rc;
    EXPECT_EQ(rc, 0) << output;
    return output;
  }

  tolvo::test::TempDir dir_;
  tolvo::platform::Library library_;
  Interface1 entry_ = nullptr;
};

TEST_F(MutagenInterop, TagsWrittenByMutagenReadBackThroughInterface1) {
  const std::string path = dir_ / "mutagen.mp3";
  tolvo::test::WriteFile(path, tolvo::test::AudioBytes(3000));
  Python(R"py(import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TYER, TRCK, TCON, COMM, WXXX, TCOM, TOPE, TCOP, TENC
t = ID3()
for frame in (TIT2(encoding=0, text="Caf\u00e9 title"), TPE1(encoding=0, text="Artist"),
              TALB(encoding=0, text="Album"), TYER(encoding=0, text="2024"),
              TRCK(encoding=0, text="5"), TCON(encoding=0, text="(17)"),
              TCOM(encoding=0, text="Composer"), TOPE(encoding=0, text="Original"),
              TCOP(encoding=0, text="2024 Label"), TENC(encoding=0, text="Encoder"),
              COMM(encoding=0, lang="eng", desc="", text="Nice"),
              WXXX(encoding=0, desc="", url="http://example.com/")):
    t.add(frame)
t.save(sys.argv[1], v1=2, v2_version=3)
)py",
         path);

  ASSERT_EQ(Call("getid3v2", path), 0);
  EXPECT_EQ(GetV2("Title"), "Caf\xC3\xA9 title");
  EXPECT_EQ(GetV2("Artist"), "Artist");
  EXPECT_EQ(GetV2("Album"), "Album");
  EXPECT_EQ(GetV2("Year"), "2024");
  EXPECT_EQ(GetV2("Track"), "5");
  EXPECT_EQ(GetV2("Genre"), "Rock");
  EXPECT_EQ(Call("v2Genresize"), 4);
  EXPECT_EQ(GetV2("Composer"), "Composer");
  EXPECT_EQ(GetV2("OriginalArtist"), "Original");
  EXPECT_EQ(GetV2("Copyright"), "2024 Label");
  EXPECT_EQ(GetV2("EncodedBy"), "Encoder");
  EXPECT_EQ(GetV2("Comment"), "Nice");
  EXPECT_EQ(GetV2("URL"), "http://example.com/");
  EXPECT_EQ(Call("v2cleanup"), 0);

  ASSERT_EQ(Call("getid3v1", path), 0);
  EXPECT_EQ(Get("v1Title"), "Caf\xC3\xA9 title");
  EXPECT_EQ(Get("v1Artist"), "Artist");
  EXPECT_EQ(Get("v1Album"), "Album");
  EXPECT_EQ(Get("v1Year"), "2024");
  EXPECT_EQ(Call("v1Track"), 5);
  EXPECT_EQ(Call("v1Genre"), 17);
  char genre[32];
  EXPECT_EQ(Call("generategenre", reinterpret_cast<intptr_t>(genre), Call("v1Genre")), 0);
  EXPECT_STREQ(genre, "Rock");
}

TEST_F(MutagenInterop, Id3v1TagsWeWriteReadBackInMutagen) {
  const std::string path = dir_ / "ours.mp3";
  tolvo::test::WriteFile(path, tolvo::test::AudioBytes(3000));
  const char* dump = R"py(import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
for key in sorted(t.keys()):
    print(key, "=", t[key])
)py";
  Call("wv1Track", 12);
  Call("wv1Title", std::string("Na\xEFve song"));
  Call("wv1Artist", std::string("Somebody"));
  Call("wv1Album", std::string("Record"));
  Call("wv1Year", std::string("1987"));
  Call("wv1Comment", std::string("Short note"));
  Call("wv1Genre", 8);  // Jazz
  ASSERT_EQ(Call("setid3v1", path), 0);
  EXPECT_EQ(Python(dump, path),
            "COMM:ID3v1 Comment:eng = Short note\n"
            "TALB = Record\nTCON = Jazz\nTDRC = 1987\nTIT2 = Na\xC3\xAFve song\n"
            "TPE1 = Somebody\nTRCK = 12\n");

  // Rewritten in the ID3v1 form (no track) in place: the size stays, the track is gone.
  Call("wv1Track", intptr_t{0});
  Call("wv1Comment", std::string("Plain note"));
  Call("wv1Genre", intptr_t{0});
  ASSERT_EQ(Call("setid3v1", path), 0);
  EXPECT_EQ(tolvo::test::SizeOf(path), 3000 + 128);
  EXPECT_EQ(Python(dump, path),
            "COMM:ID3v1 Comment:eng = Plain note\n"
            "TALB = Record\nTCON = Blues\nTDRC = 1987\nTIT2 = Na\xC3\xAFve song\n"
            "TPE1 = Somebody\n");
}

}  // namespace
