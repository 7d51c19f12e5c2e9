// Loading and releasing the engine: MP3Class::Init, IsLoaded, Deinit and ControlFolder, with the
// recording stand-in engine (which logs its calls, loads and unloads) and with the real engine.
#include "host/mp3_class.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine_folder.h"
#include "host/control_error.h"
#include "host/control_folder.h"
#include "tolvo/platform/utf16.h"

namespace tolvo::control {
namespace {

using test::EngineFolder;

// Runs action, which must raise a ControlError, and returns it.
template <typename Action>
ControlError RaisedBy(Action action) {
  try {
    action();
  } catch (const ControlError& error) {
    return error;
  }
  ADD_FAILURE() << "no ControlError raised";
  return {};
}

std::u16string U16(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }

std::string PasspathLine(const EngineFolder& folder) {
  return "passpath\tt:" + folder.path() + "\tt: \tt: ";
}

TEST(MP3ClassInit, LoadsOnceSendsPasspathOnceAndSetsControlFolder) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH).WithEncoder();
  MP3Class host(folder.path());
  EXPECT_FALSE(host.IsLoaded());

  host.Init(false);
  EXPECT_TRUE(host.IsLoaded());
  host.Init(false);
  EXPECT_EQ(folder.Calls(), std::vector<std::string>{PasspathLine(folder)});
  EXPECT_EQ(host.EngineReferenceCount(), 1u);
  EXPECT_EQ(ControlFolder(), U16(folder.path() + "/"));
}

TEST(MP3ClassInit, ForcedInitLoadsAgainAndDeinitReleasesEveryLoad) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH).WithEncoder();
  MP3Class host(folder.path() + "/");  // a trailing separator is dropped
  host.Init(false);
  host.Init(true);
  EXPECT_EQ(folder.CountOf(PasspathLine(folder)), 2);
  EXPECT_EQ(folder.CountOf("load"), 1);  // one module, two references

  host.Deinit();
  EXPECT_FALSE(host.IsLoaded());
  EXPECT_FALSE(folder.EngineInMemory());
  host.Deinit();  // a second Deinit changes nothing
  EXPECT_FALSE(host.IsLoaded());
}

TEST(MP3ClassInit, MissingEngineRaises5007WithTheFullPath) {
  EngineFolder folder;
  folder.WithEncoder();
  MP3Class host(folder.path());
  ControlError error = RaisedBy([&] { host.Init(false); });
  EXPECT_EQ(error.number, 5007);
  EXPECT_EQ(error.description, u"Error loading a required dll , " + U16(folder.EnginePath()) +
                                   u" please contact the developer support@tolvo.example");
  EXPECT_FALSE(host.IsLoaded());
  EXPECT_EQ(host.EngineReferenceCount(), 0u);
  host.Deinit();
}

TEST(MP3ClassInit, MissingEncoderRaises5008AndEachAttemptHoldsAnEngineReference) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH);
  {
    MP3Class host(folder.path());
    for (int attempt = 1; attempt <= 3; ++attempt) {
      ControlError error = RaisedBy([&] { host.Init(false); });
      EXPECT_EQ(error.number, 5008);
      EXPECT_EQ(error.description,
                u"Error loading a required dll , libtolvomp3enc1.so please contact the developer "
                u"support@tolvo.example");
      EXPECT_FALSE(host.IsLoaded());
      EXPECT_EQ(host.EngineReferenceCount(), static_cast<size_t>(attempt));
    }
    host.Deinit();  // not loaded: no effect, the references stay
    EXPECT_EQ(host.EngineReferenceCount(), 3u);
    EXPECT_TRUE(folder.EngineInMemory());
    EXPECT_TRUE(folder.Calls().empty());
  }
  // The object gives back what it still held when it goes.
  EXPECT_FALSE(folder.EngineInMemory());
}

TEST(MP3ClassInit, DeinitReleasesExactlyTheReferencesOfItsOwnAttempts) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH);
  platform::Library heldElsewhere(platform::LoadLibrary(folder.EnginePath()));
  ASSERT_TRUE(heldElsewhere);

  MP3Class host(folder.path());
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(RaisedBy([&] { host.Init(false); }).number, 5008);
  }
  folder.WithEncoder();
  host.Init(false);  // the next attempt completes
  EXPECT_EQ(folder.Calls(), std::vector<std::string>{PasspathLine(folder)});
  host.Deinit();
  EXPECT_TRUE(folder.EngineInMemory());  // the other holder's reference is untouched
  heldElsewhere.Reset();
  EXPECT_FALSE(folder.EngineInMemory());  // and all three of the object's were released
}

TEST(MP3ClassInit, EngineWithoutInterface1Raises5007AndStaysHalfLoaded) {
  EngineFolder folder;
  folder.WithEngine(NO_ENTRY_ENGINE_PATH).WithEncoder();
  MP3Class host(folder.path());
  const std::u16string locating =
      u"Error locating the interface1 function on a required dll , please contact the developer "
      u"support@tolvo.example";
  ControlError error = RaisedBy([&] { host.Init(false); });
  EXPECT_EQ(error.number, 5007);
  EXPECT_EQ(error.description, locating);
  EXPECT_FALSE(host.IsLoaded());
  EXPECT_EQ(host.EngineReferenceCount(), 1u);

  // The bridges find a library but no entry.
  error = RaisedBy([&] { host.CallWindow(u"intreturn", u" ", u" ", u" "); });
  EXPECT_EQ(error.number, 5007);
  EXPECT_EQ(error.description, locating);
}

TEST(MP3ClassInit, TwoObjectsShareOneEngineAndTheFirstDeinitLeavesItForTheSecond) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH).WithEncoder();
  MP3Class first(folder.path());
  MP3Class second(folder.path());
  first.Init(false);
  second.Init(false);
  EXPECT_EQ(folder.CountOf("load"), 1);
  EXPECT_EQ(folder.CountOf(PasspathLine(folder)), 2);

  first.Deinit();
  EXPECT_TRUE(folder.EngineInMemory());
  EXPECT_EQ(second.CallWindow(u"intreturn", u" ", u" ", u" "), 3);  // the module's third call
  EXPECT_EQ(folder.Calls().back(), "intreturn\tt: \tt: \tt: ");
  second.Deinit();
  EXPECT_FALSE(folder.EngineInMemory());
}

TEST(MP3ClassInit, ControlFolderIsKeptPerThread) {
  EngineFolder folder;
  folder.WithEngine(RECORDING_ENGINE_PATH).WithEncoder();
  MP3Class host(folder.path());
  host.Init(false);
  std::u16string seenByOtherThread = u"unset";
  std::thread([&] { seenByOtherThread = ControlFolder(); }).join();
  EXPECT_EQ(seenByOtherThread, u"");
  EXPECT_EQ(ControlFolder(), U16(folder.path() + "/"));
}

TEST(MP3ClassInit, DefaultFolderIsTheFolderOfTheModuleHoldingTheClass) {
  // The host code is linked into this test program, so its folder is the program's folder, not
  // the current directory.
  MP3Class host;
  ControlError error = RaisedBy([&] { host.Init(false); });
  EXPECT_EQ(error.number, 5007);
  // The message names the engine path that was tried.
  const std::u16string before = u"Error loading a required dll , ";
  const std::u16string after = u" please contact the developer support@tolvo.example";
  ASSERT_TRUE(error.description.starts_with(before) && error.description.ends_with(after));
  const std::u16string tried = error.description.substr(
      before.size(), error.description.size() - before.size() - after.size());
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::weakly_canonical(platform::Utf16ToUtf8(tried)),
            fs::weakly_canonical(std::string(TOLVO_TEST_BIN_DIR) + "/libtolvomp3enc2.so"));
}

TEST(MP3ClassInit, RealEngineLoadsAnswersAndIsSharedBetweenObjects) {
  EngineFolder folder;
  folder.WithEngine(REAL_ENGINE_PATH).WithEncoder();
  MP3Class first(folder.path());
  MP3Class second(folder.path());
  first.Init(false);
  second.Init(false);
  ASSERT_TRUE(first.IsLoaded());
  EXPECT_EQ(first.CallWindow(u"intreturn", u" ", u" ", u" "), 0);  // no job has run
  first.Deinit();
  EXPECT_EQ(second.CallWindow(u"intreturn", u" ", u" ", u" "), 0);
  EXPECT_EQ(second.CallWindowLONG(u"no such command", 1, 2, 3), 0);
  second.Deinit();
  EXPECT_FALSE(second.IsLoaded());
}

}  // namespace
}  // namespace tolvo::control
