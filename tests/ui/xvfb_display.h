// A private X server for one test process: Xvfb picks a free display number itself (-displayfd),
// and a watchdog shell ends it when the test process goes away, even by a crash.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tolvo::test {

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

 private:
  std::unique_ptr<TempDir> folder_;
  std::string serverPid_;  // empty when the server belongs to a parent process
};

}  // namespace tolvo::test
