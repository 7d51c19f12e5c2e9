// The converter program as the engine runs it: the built snd binary on WAV files made here,
// checked byte by byte, and its refusals of input it must not convert.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using tolvo::test::Bytes;
using tolvo::test::TempDir;

struct SndRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `prefix` goes before the program on the shell line (limits, for example).
SndRun RunSnd(const TempDir& dir, const std::vector<std::string>& arguments,
              const std::string& prefix = "") {
  std::string command = prefix + Quote(tolvo::test::OutDir() + "/snd");
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  const std::string errPath = dir / "snd.stderr";
  SndRun run;
  run.status = tolvo::test::RunCommand(command + " 2>" + Quote(errPath), &run.out);
  Bytes err = tolvo::test::ReadFile(errPath);
  run.err.assign(err.begin(), err.end());
  tolvo::test::WriteFile(errPath, {});
  return run;
}

void Put16(Bytes& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

struct Chunk {
  std::string id;
  Bytes body;
};

// A RIFF WAVE file of the given chunks, odd bodies padded, the RIFF size correct.
Bytes Riff(const std::vector<Chunk>& chunks) {
  Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const Chunk& chunk : chunks) {
    b.insert(b.end(), chunk.id.begin(), chunk.id.end());
    Put32(b, static_cast<uint32_t>(chunk.body.size()));
    b.insert(b.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.body.size() % 2) b.push_back(0);
  }
  const uint32_t riffSize = static_cast<uint32_t>(b.size() - 8);
  for (int i = 0; i < 4; ++i) b[4 + i] = (riffSize >> (8 * i)) & 0xFF;
  return b;
}

Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b;
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * align);
  Put16(b, align);
  Put16(b, bits);
  return b;
}

int16_t SampleAt(const Bytes& wav, size_t index) {
  return static_cast<int16_t>(wav[44 + 2 * index] | (wav[45 + 2 * index] << 8));
}
int16_t Widened(uint8_t x) { return static_cast<int16_t>((x - 128) * 256); }

uint32_t U32At(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The 44-byte canonical header of a 16-bit file, as literal fields.
void ExpectCanonical16BitHeader(const Bytes& wav, int channels, uint32_t rate, uint32_t dataBytes) {
  ASSERT_EQ(wav.size(), 44u + dataBytes);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(U32At(wav, 4), 36 + dataBytes);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(U32At(wav, 16), 16u);
  EXPECT_EQ(wav[20] | (wav[21] << 8), 1);
  EXPECT_EQ(wav[22] | (wav[23] << 8), channels);
  EXPECT_EQ(U32At(wav, 24), rate);
  EXPECT_EQ(U32At(wav, 28), rate * channels * 2);
  EXPECT_EQ(wav[32] | (wav[33] << 8), channels * 2);
  EXPECT_EQ(wav[34] | (wav[35] << 8), 16);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  EXPECT_EQ(U32At(wav, 40), dataBytes);
}

TEST(Snd, ConvertsEightBitMono22050WithEverySampleValue) {
  TempDir dir;
  Bytes samples(22050);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7);
  tolvo::test::WriteFile(dir / "in.wav",
                         Riff({{"fmt ", FormatBody(1, 1, 22050, 8)}, {"data", samples}}));

  SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("8-bit"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("22050 Hz"), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);

  Bytes out = tolvo::test::ReadFile(dir / "out.wav");
  ExpectCanonical16BitHeader(out, 1, 22050, 2 * 22050);
  for (size_t i : {0, 1, 18, 128, 255, 1000, 22049}) {
    EXPECT_EQ(SampleAt(out, i), Widened(samples[i])) << "sample " << i;
  }
  EXPECT_EQ(SampleAt(out, 0), -32768);  // 0x00
  EXPECT_EQ(SampleAt(out, 1), -30976);  // 0x07
  EXPECT_EQ(SampleAt(out, 1000), Widened(0x58));
}

TEST(Snd, ConvertsEightBitStereo44100FramesInOrder) {
  TempDir dir;
  const Bytes in = tolvo::test::MakeWav(
      {.channels = 2, .sampleRate = 44100, .bitsPerSample = 8, .formatTag = 1, .frames = 44100});
  tolvo::test::WriteFile(dir / "in.wav", in);

  SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  Bytes out = tolvo::test::ReadFile(dir / "out.wav");
  ExpectCanonical16BitHeader(out, 2, 44100, 4 * 44100);
  for (size_t frame : {0, 1, 777, 44099}) {
    EXPECT_EQ(SampleAt(out, 2 * frame), Widened(in[44 + 2 * frame])) << "left " << frame;
    EXPECT_EQ(SampleAt(out, 2 * frame + 1), Widened(in[45 + 2 * frame])) << "right " << frame;
  }
  EXPECT_NE(in[44 + 2 * 777], in[45 + 2 * 777]);  // the channels differ, so order is checked
}

TEST(Snd, WalksExtraAndOddSizedChunksInAnyOrder) {
  TempDir dir;
  Bytes format = FormatBody(1, 1, 8000, 8);
  format.insert(format.end(), {0, 0});       // an 18-byte body with cbSize
  const Bytes samples = {0x10, 0x80, 0xF0};  // odd, so the data chunk is padded too
  tolvo::test::WriteFile(dir / "in.wav", Riff({{"LIST", {'I', 'N', 'F', 'O', 'x'}},
                                               {"fmt ", format},
                                               {"junk", {0x64, 0x61, 0x74}},  // "dat" inside
                                               {"data", samples},
                                               {"id3 ", {1, 2, 3}}}));
  SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  Bytes out = tolvo::test::ReadFile(dir / "out.wav");
  ExpectCanonical16BitHeader(out, 1, 8000, 6);
  EXPECT_EQ(SampleAt(out, 0), Widened(0x10));
  EXPECT_EQ(SampleAt(out, 1), 0);
  EXPECT_EQ(SampleAt(out, 2), Widened(0xF0));
}

TEST(Snd, StreamsWithoutTheirFinalSizeAndPartialFramesKeepWhatTheFileHolds) {
  TempDir dir;
  // A data size of 0xFFFFFFFF, as a writer into a pipe leaves it: the rest of the file is read.
  Bytes stream = Riff({{"fmt ", FormatBody(1, 1, 8000, 8)}});
  stream.insert(stream.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0x20, 0x30});
  tolvo::test::WriteFile(dir / "in.wav", stream);
  SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  Bytes out = tolvo::test::ReadFile(dir / "out.wav");
  ExpectCanonical16BitHeader(out, 1, 8000, 6);
  EXPECT_EQ(SampleAt(out, 2), Widened(0x30));

  // Six bytes of 16-bit stereo: one whole frame.
  tolvo::test::WriteFile(
      dir / "in.wav", Riff({{"fmt ", FormatBody(1, 2, 22050, 16)}, {"data", {1, 2, 3, 4, 5, 6}}}));
  run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  out = tolvo::test::ReadFile(dir / "out.wav");
  ExpectCanonical16BitHeader(out, 2, 22050, 4);
  EXPECT_EQ(SampleAt(out, 1), 0x0403);
}

TEST(Snd, CopiesSixteenBitSamplesUnchanged) {
  TempDir dir;
  const Bytes in = tolvo::test::MakeWav(
      {.channels = 2, .sampleRate = 48000, .bitsPerSample = 16, .formatTag = 1, .frames = 3000});
  Bytes samples(in.begin() + 44, in.end());
  tolvo::test::WriteFile(
      dir / "in.wav",
      Riff({{"fmt ", FormatBody(1, 2, 48000, 16)}, {"fact", {4, 0, 0, 0, 0}}, {"data", samples}}));
  SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(tolvo::test::ReadFile(dir / "out.wav"), in);
}

struct Refusal {
  const char* name;
  Bytes file;
  const char* reason;  // part of the message
};

std::vector<Refusal> Refusals() {
  const Bytes data8(100, 0x80);
  Bytes cut = Riff({{"fmt ", FormatBody(1, 1, 22050, 8)}, {"data", data8}});
  cut.resize(cut.size() - 10);
  Bytes badAlign = FormatBody(1, 2, 22050, 16);
  badAlign[12] = 3;
  return {
      {"half float",
       tolvo::test::MakeWav({.channels = 1,
                             .sampleRate = 22050,
                             .bitsPerSample = 16,
                             .formatTag = 3,
                             .frames = 100}),
       "16-bit float samples cannot be read"},
      {"ADPCM", Riff({{"fmt ", FormatBody(2, 1, 22050, 4)}, {"data", Bytes(99)}}),
       "neither PCM nor float"},
      {"header only", Bytes(cut.begin(), cut.begin() + 20), "truncated"},
      {"no data chunk", Riff({{"fmt ", FormatBody(1, 1, 22050, 8)}}), "no data chunk"},
      {"chunk past the end", Bytes(cut.begin(), cut.begin() + 40), "no data chunk"},
      {"not RIFF", Bytes(64, 'x'), "not a WAV file: starts with 'xxxx'"},
      {"12-bit", Riff({{"fmt ", FormatBody(1, 1, 22050, 12)}, {"data", Bytes(99)}}),
       "12-bit PCM samples cannot be read"},
      {"bad block align", Riff({{"fmt ", badAlign}, {"data", Bytes(12)}}), "block align 3"},
  };
}

TEST(Snd, RefusesBadInputWithAMessageAndLeavesNoFile) {
  for (const Refusal& refusal : Refusals()) {
    SCOPED_TRACE(refusal.name);
    TempDir dir;
    tolvo::test::WriteFile(dir / "in.wav", refusal.file);
    SndRun run = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(refusal.reason), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    auto names = tolvo::test::ListFolder(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in.wav", "snd.stderr"}));
  }
}

TEST(Snd, FailureLeavesAnExistingOutputAsItWas) {
  TempDir dir;
  tolvo::test::WriteFile(dir / "out.wav", {'k', 'e', 'e', 'p'});
  tolvo::test::WriteWav(
      dir / "in.wav",
      {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .formatTag = 1, .frames = 500000});
  // The disk is "full" after 256 KiB, long after the first samples were written.
  SndRun run =
      RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "out.wav"}, "trap '' XFSZ; ulimit -f 256; ");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << run.err;
  EXPECT_EQ(tolvo::test::ReadFile(dir / "out.wav"), (Bytes{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(tolvo::test::ListFolder(dir.path()).size(), 3u);  // in, out, stderr
}

TEST(Snd, MissingInputAndUnusableOutputFolderAreReported) {
  TempDir dir;
  SndRun missing = RunSnd(dir, {"-pcm16", dir / "absent.wav", dir / "out.wav"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot open the input"), std::string::npos) << missing.err;

  tolvo::test::WriteWav(
      dir / "in.wav",
      {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .formatTag = 1, .frames = 100});
  SndRun noFolder = RunSnd(dir, {"-pcm16", dir / "in.wav", dir / "no/such/out.wav"});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_NE(noFolder.err.find("cannot create"), std::string::npos) << noFolder.err;
  EXPECT_FALSE(tolvo::test::Exists(dir / "no"));
}

TEST(Snd, ExplainsItselfAndRejectsOtherCommandLines) {
  TempDir dir;
  SndRun help = RunSnd(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("snd -pcm16 INPUT OUTPUT"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("(x - 128) * 256"), std::string::npos);

  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {}, {"-pcm16", "a.wav"}, {"-pcm8", "a.wav", "b.wav"}, {"-pcm16", "a", "b", "c"}}) {
    SndRun run = RunSnd(dir, arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("snd --help"), std::string::npos) << run.err;
  }
}

}  // namespace
