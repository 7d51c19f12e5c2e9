// A suite over the engine's ID3v2 field set with a private temporary folder for rewrites: the
// fields start and end released, and no counted block outlives a test.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "id3/id3v2_fields.h"
#include "test_support.h"

namespace tolvo::engine {

class Id3v2FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseId3v2Fields();
    ASSERT_EQ(mkdir(tempFolder_.c_str(), 0755), 0);
    CopyPathField(State().tempFolder, tempFolder_.c_str());
  }
  void TearDown() override {
    ReleaseId3v2Fields();
    EXPECT_EQ(LiveBlocks(), 0);
  }

  test::TempDir dir_;
  std::string tempFolder_ = dir_ / "tmp";
  std::string mp3_ = dir_ / "song.mp3";
};

}  // namespace tolvo::engine
