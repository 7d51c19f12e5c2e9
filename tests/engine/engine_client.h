// How the engine tests talk to the engine: commands through interface1, texts as pointers, and a
// poll of the job's result the way the control polls it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

extern "C" int32_t interface1(const char* command, intptr_t a1, intptr_t a2, intptr_t a3);

namespace tolvo::engine::test_client {

inline int32_t Send(const char* command, intptr_t a1 = 0, intptr_t a2 = 0) {
  return interface1(command, a1, a2, 0);
}
inline intptr_t Text(const char* text) { return reinterpret_cast<intptr_t>(text); }
inline intptr_t Text(const std::string& text) { return Text(text.c_str()); }

// Polls "intreturn" every 50 ms until the job ends; gives up (and fails) after a minute.
inline int32_t WaitForResult() {
  for (int i = 0; i < 60 * 20; ++i) {
    const int32_t result = Send("intreturn");
    if (result != kJobRunning) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ADD_FAILURE() << "the job did not end";
  Send("cancel");
  return Send("intreturn");
}

// Starts a job on two paths and waits for its result.
inline int32_t EncodeThroughInterface(const std::string& input, const std::string& output) {
  EXPECT_EQ(Send("passfiles", Text(input), Text(output)), 0);
  return WaitForResult();
}

// A suite that encodes through the real encoder library: the control loads it by full path first,
// and the engine's load by name then finds it; it stays loaded for the process, as in the engine.
class RealEncoderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (encoder_) return;
    encoder_ = platform::LoadLibrary(test::OutDir() + "/" + kEncoderLibraryName);
    ASSERT_NE(encoder_, nullptr) << platform::LastLibraryError();
  }

 private:
  static inline platform::LibraryHandle encoder_ = nullptr;
};

}  // namespace tolvo::engine::test_client
