// The engine's side of the encoder library: the configuration record byte for byte, the binding
// by bare name (kept once complete, retried when not), and the "Debug" box of a failed load.
#include "lame/encoder_binding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "core/debug_box.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes RecordBytes(const EncoderRecordValues& values) {
  encoder::BeConfig config;
  std::memset(&config, 0xA5, sizeof config);  // every byte must be written
  FillEncoderConfig(values, &config);
  const auto* raw = reinterpret_cast<const uint8_t*>(&config);
  return Bytes(raw, raw + sizeof config);
}

// The bytes as given, then zero bytes up to 331 (the reserved bytes stay zero).
Bytes Record(std::initializer_list<uint8_t> head) {
  Bytes bytes(head);
  bytes.resize(331, 0);
  return bytes;
}

TEST(EncoderConfigRecord, CbrRecordMatchesItsBytes) {
  const Bytes expected = Record({
      0x00, 0x01, 0x00, 0x00,  // 0: kind 256
      0x01, 0x00, 0x00, 0x00,  // 4: version 1
      0x4B, 0x01, 0x00, 0x00,  // 8: size 331
      0x44, 0xAC, 0x00, 0x00,  // 12: input rate 44100
      0x00, 0x00, 0x00, 0x00,  // 16: output rate 0
      0x01, 0x00, 0x00, 0x00,  // 20: joint stereo
      0x80, 0x00, 0x00, 0x00,  // 24: 128 kbit/s
      0x40, 0x01, 0x00, 0x00,  // 28: VBR maximum 320, passed on without VBR too
      0x02, 0x00, 0x00, 0x00,  // 32: quality preset high
      0x01, 0x00, 0x00, 0x00,  // 36: MPEG version 1
      0x00, 0x00, 0x00, 0x00,  // 40: psychoacoustic model
      0x00, 0x00, 0x00, 0x00,  // 44: emphasis
      0x00, 0x00, 0x00, 0x00,  // 48: private bit
      0x00, 0x00, 0x00, 0x00,  // 52: CRC
      0x00, 0x00, 0x00, 0x00,  // 56: copyright
      0x01, 0x00, 0x00, 0x00,  // 60: original
      0x00, 0x00, 0x00, 0x00,  // 64: write VBR header
      0x00, 0x00, 0x00, 0x00,  // 68: enable VBR
      0x00, 0x00, 0x00, 0x00,  // 72: VBR quality
      0x00, 0x00, 0x00, 0x00,  // 76: ABR bitrate
      0x00, 0x00, 0x00, 0x00,  // 80: VBR method
      0x01, 0x00, 0x00, 0x00,  // 84: bit reservoir off
      0x00, 0x00, 0x00, 0x00,  // 88: strict ISO
      0x00, 0x00,              // 92: quality word
  });
  EXPECT_EQ(RecordBytes({44100, 1, 128, 320, 2, false}), expected);
}

TEST(EncoderConfigRecord, VbrRecordMatchesItsBytes) {
  const Bytes expected = Record({
      0x00, 0x01, 0x00, 0x00,  // 0: kind 256
      0x01, 0x00, 0x00, 0x00,  // 4: version 1
      0x4B, 0x01, 0x00, 0x00,  // 8: size 331
      0x22, 0x56, 0x00, 0x00,  // 12: input rate 22050
      0x00, 0x00, 0x00, 0x00,  // 16: output rate 0
      0x03, 0x00, 0x00, 0x00,  // 20: mono input
      0x40, 0x00, 0x00, 0x00,  // 24: 64 kbit/s
      0xF4, 0x01, 0x00, 0x00,  // 28: VBR maximum 500, unchecked
      0x01, 0x00, 0x00, 0x00,  // 32: quality preset low
      0x01, 0x00, 0x00, 0x00,  // 36: MPEG version 1
      0x00, 0x00, 0x00, 0x00,  // 40
      0x00, 0x00, 0x00, 0x00,  // 44
      0x00, 0x00, 0x00, 0x00,  // 48
      0x00, 0x00, 0x00, 0x00,  // 52
      0x00, 0x00, 0x00, 0x00,  // 56
      0x01, 0x00, 0x00, 0x00,  // 60: original
      0x01, 0x00, 0x00, 0x00,  // 64: write VBR header
      0x01, 0x00, 0x00, 0x00,  // 68: enable VBR
      0x00, 0x00, 0x00, 0x00,  // 72
      0x00, 0x00, 0x00, 0x00,  // 76
      0x00, 0x00, 0x00, 0x00,  // 80
      0x01, 0x00, 0x00, 0x00,  // 84: bit reservoir off
      0x00, 0x00, 0x00, 0x00,  // 88
      0x00, 0x00,              // 92
      0x03, 0x00, 0x00, 0x00,  // 94: three encoder workers
  });
  EXPECT_EQ(RecordBytes({22050, 3, 64, 500, 1, true, 0, 3}), expected);
  // A negative worker count asks for the sequential encode.
  EXPECT_EQ(RecordBytes({22050, 3, 64, 500, 1, true, 0, -2})[94], 1);
}

// Death tests re-run this program for the one statement, so the child starts with no encoder
// library loaded, whatever the parent loaded before.
class EncoderBindingDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

constexpr int kBindFailed = 7;

// No library of that name can be found: the "Debug" box tells so (the text fallback prints it
// and answers OK), the binding fails, and the next attempt asks again.
TEST_F(EncoderBindingDeathTest, FailedLoadShowsTheDebugTextAndFails) {
  EXPECT_EXIT(
      {
        const bool first = BindEncoder();
        const bool second = BindEncoder();
        std::_Exit(!first && !second ? kBindFailed : 0);
      },
      ::testing::ExitedWithCode(kBindFailed),
      "Debug: Unable to load library libtolvomp3enc1\\.so \n"
      "Debug: Unable to load library libtolvomp3enc1\\.so \n");
}

// A library that loads but lacks functions fails without a message; once the real library is
// loaded, the next attempt binds.
TEST_F(EncoderBindingDeathTest, MissingFunctionFailsSilentlyAndTheNextJobBindsAgain) {
  EXPECT_EXIT(
      {
        platform::Library partial(platform::LoadLibrary(TOLVO_PARTIAL_ENCODER));
        if (!partial || BindEncoder()) std::_Exit(1);
        partial.Reset();
        platform::Library real(platform::LoadLibrary(test::OutDir() + "/" + kEncoderLibraryName));
        if (!real || !BindEncoder()) std::_Exit(2);
        std::fputs("bound", stderr);
        std::_Exit(kBindFailed);
      },
      ::testing::ExitedWithCode(kBindFailed), "^bound$");
}

TEST(EncoderBinding, BindsTheCopyLoadedByFullPathAndKeepsIt) {
  platform::Library byPath(platform::LoadLibrary(test::OutDir() + "/" + kEncoderLibraryName));
  ASSERT_TRUE(byPath) << platform::LastLibraryError();

  // Two threads bind at once; both see the one complete binding.
  bool results[2] = {false, false};
  std::thread other([&] { results[1] = BindEncoder(); });
  results[0] = BindEncoder();
  other.join();
  ASSERT_TRUE(results[0]);
  ASSERT_TRUE(results[1]);

  const EncoderFunctions& f = Encoder();
  EXPECT_EQ(reinterpret_cast<void*>(f.initStream),
            platform::FindSymbol(byPath.get(), "beInitStream"));
  EXPECT_EQ(reinterpret_cast<void*>(f.encodeChunk),
            platform::FindSymbol(byPath.get(), "beEncodeChunk"));
  EXPECT_EQ(reinterpret_cast<void*>(f.deinitStream),
            platform::FindSymbol(byPath.get(), "beDeinitStream"));
  EXPECT_EQ(reinterpret_cast<void*>(f.closeStream),
            platform::FindSymbol(byPath.get(), "beCloseStream"));
  EXPECT_EQ(reinterpret_cast<void*>(f.writeVbrHeader),
            platform::FindSymbol(byPath.get(), "beWriteVBRHeader"));
  EXPECT_EQ(reinterpret_cast<void*>(f.writeInfoTag),
            platform::FindSymbol(byPath.get(), "beWriteInfoTag"));

  // The binding holds its own reference: the caller's may go.
  byPath.Reset();
  EXPECT_TRUE(BindEncoder());
  encoder::BeConfig config;
  FillEncoderConfig({44100, 1, 128, 320, 0, false}, &config);
  uint32_t chunk = 0, size = 0;
  encoder::BeStream stream = 0;
  ASSERT_EQ(Encoder().initStream(&config, &chunk, &size, &stream), 0u);
  EXPECT_EQ(chunk, 2304u);
  EXPECT_EQ(Encoder().closeStream(stream), 0u);
}

platform::MessageBoxRequest lastRequest;
platform::MessageAnswer AnswerOk(const platform::MessageBoxRequest& request) {
  lastRequest = request;
  return platform::MessageAnswer::kOk;
}
platform::MessageAnswer AnswerCancel(const platform::MessageBoxRequest&) {
  return platform::MessageAnswer::kCancel;
}

TEST(DebugBox, AsksWithCaptionDebugOkCancelAndTopmost) {
  ShowDebugText("Unable to load library x \n", AnswerOk);
  EXPECT_EQ(lastRequest.caption, "Debug");
  EXPECT_EQ(lastRequest.text, "Unable to load library x \n");
  EXPECT_EQ(lastRequest.buttons, platform::MessageButtons::kOkCancel);
  EXPECT_TRUE(lastRequest.topmost);
}

TEST(DebugBox, FormatsItsTextForTheTextFallback) {
  ::testing::internal::CaptureStderr();
  ShowDebugBox("Unable to load library %s \n", "lib.so");
  ShowDebugBox("%d%s", 42, std::string(5000, 'x').c_str());  // longer than any fixed buffer
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed,
            "Debug: Unable to load library lib.so \nDebug: 42" + std::string(5000, 'x') + "\n");
}

TEST(DebugBoxDeathTest, AnswerOtherThanOkEndsTheProcessWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ShowDebugText("text", AnswerCancel), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace tolvo::engine
