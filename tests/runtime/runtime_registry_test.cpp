// The per-user class registry: where it lives, the registration round trip, exact removal and
// atomic rewrites.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"
#include "tolvo/runtime/registry.h"

namespace tolvo::runtime {
namespace {

constexpr Guid kClassA{
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
constexpr Guid kClassB{
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};
constexpr Guid kLibrary{
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x03}};

ClassRegistration Sample(const Guid& clsid, const std::string& progId) {
  ClassRegistration r;
  r.clsid = clsid;
  r.name = "Sample";
  r.serverPath = "/opt/tolvo/lib/libsample.so";
  r.progId = progId;
  r.control = true;
  r.miscStatus = 132497;
  r.toolboxBitmap = "/opt/tolvo/lib/libsample.so,30000";
  r.typeLibrary = kLibrary;
  r.typeLibraryMajor = 8;
  r.typeLibraryMinor = 0;
  return r;
}

std::string ReadText(const std::string& path) {
  test::Bytes bytes = test::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "reg/registry.ini";
    setenv("TOLVO_REGISTRY_FILE", file_.c_str(), 1);
  }
  void TearDown() override { unsetenv("TOLVO_REGISTRY_FILE"); }
  test::TempDir dir_;
  std::string file_;
};

TEST_F(RegistryTest, FileLocationFollowsTheEnvironment) {
  EXPECT_EQ(RegistryFilePath(), file_);
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  unsetenv("TOLVO_REGISTRY_FILE");
  setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(RegistryFilePath(), "/data/home/tolvo/registry.ini");
  setenv("HOME", "/home/someone", 1);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(RegistryFilePath(), "/home/someone/.local/share/tolvo/registry.ini");
  setenv("XDG_DATA_HOME", "relative/path", 1);  // not absolute: ignored
  EXPECT_EQ(RegistryFilePath(), "/home/someone/.local/share/tolvo/registry.ini");
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(RegistryTest, RegistrationRoundTripCreatesTheFolderAndKeepsEveryValue) {
  EXPECT_FALSE(FindClass(kClassA));
  EXPECT_FALSE(ClassIdFromProgId("Sample.A"));
  ASSERT_EQ(RegisterClass(Sample(kClassA, "Sample.A")), S_OK);

  EXPECT_EQ(ClassIdFromProgId("Sample.A"), kClassA);
  std::optional<ClassRegistration> found = FindClass(kClassA);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, "Sample");
  EXPECT_EQ(found->serverPath, "/opt/tolvo/lib/libsample.so");
  EXPECT_EQ(found->progId, "Sample.A");
  EXPECT_EQ(found->threadingModel, "Apartment");
  EXPECT_TRUE(found->control);
  EXPECT_EQ(found->miscStatus, 132497u);
  EXPECT_EQ(found->toolboxBitmap, "/opt/tolvo/lib/libsample.so,30000");
  EXPECT_EQ(found->typeLibrary, kLibrary);
  EXPECT_EQ(found->typeLibraryMajor, 8);
  EXPECT_EQ(found->typeLibraryMinor, 0);

  // The file is a plain key file that other tools can read.
  std::string text = ReadText(file_);
  EXPECT_NE(text.find("[CLSID {11111111-2222-3333-4444-555555555501}]"), std::string::npos);
  EXPECT_NE(text.find("MiscStatus=132497"), std::string::npos);
  EXPECT_NE(text.find("[ProgID Sample.A]\nCLSID={11111111-2222-3333-4444-555555555501}"),
            std::string::npos);
  // Written through a temporary that was renamed: nothing else is left in the folder.
  EXPECT_EQ(test::ListFolder(dir_ / "reg"), std::vector<std::string>{"registry.ini"});
}

TEST_F(RegistryTest, UnregisterRemovesExactlyThatClass) {
  ASSERT_EQ(RegisterClass(Sample(kClassA, "Sample.A")), S_OK);
  ASSERT_EQ(RegisterClass(Sample(kClassB, "Sample.B")), S_OK);
  ASSERT_EQ(UnregisterClass(kClassA), S_OK);
  EXPECT_FALSE(FindClass(kClassA));
  EXPECT_FALSE(ClassIdFromProgId("Sample.A"));
  EXPECT_TRUE(FindClass(kClassB));
  EXPECT_EQ(ClassIdFromProgId("Sample.B"), kClassB);
  EXPECT_EQ(ReadText(file_).find("555501"), std::string::npos);
  // Removing what is not there succeeds and changes nothing.
  EXPECT_EQ(UnregisterClass(kClassA), S_OK);
  EXPECT_TRUE(FindClass(kClassB));
}

TEST_F(RegistryTest, ReRegistrationReplacesAndKeepsOtherClassesProgIds) {
  ASSERT_EQ(RegisterClass(Sample(kClassA, "Sample.Old")), S_OK);
  ASSERT_EQ(RegisterClass(Sample(kClassA, "Sample.New")), S_OK);
  EXPECT_FALSE(ClassIdFromProgId("Sample.Old"));
  EXPECT_EQ(ClassIdFromProgId("Sample.New"), kClassA);

  // A ProgID taken over by another class stays with that class when the first goes.
  ASSERT_EQ(RegisterClass(Sample(kClassB, "Sample.New")), S_OK);
  ASSERT_EQ(UnregisterClass(kClassA), S_OK);
  EXPECT_EQ(ClassIdFromProgId("Sample.New"), kClassB);
}

TEST_F(RegistryTest, UnusableProgIdsAreRefused) {
  EXPECT_EQ(RegisterClass(Sample(kClassA, "")), E_INVALIDARG);
  EXPECT_EQ(RegisterClass(Sample(kClassA, "Bad]Name")), E_INVALIDARG);
  EXPECT_EQ(RegisterClass(Sample(kClassA, "Line\nBreak")), E_INVALIDARG);
  EXPECT_FALSE(test::Exists(file_));
}

TEST_F(RegistryTest, AFileThatIsNotAKeyFileIsLeftAlone) {
  test::TempDir other;
  std::string path = other / "registry.ini";
  setenv("TOLVO_REGISTRY_FILE", path.c_str(), 1);
  const std::string garbage = "this is not [ a key file\n\x01\x02";
  test::WriteFile(path, test::Bytes(garbage.begin(), garbage.end()));
  EXPECT_EQ(RegisterClass(Sample(kClassA, "Sample.A")), E_FAIL);
  EXPECT_EQ(UnregisterClass(kClassA), E_FAIL);
  EXPECT_FALSE(ClassIdFromProgId("Sample.A"));
  EXPECT_EQ(ReadText(path), garbage);
}

TEST_F(RegistryTest, AWriteThatCannotBeMadeIsReportedAsAFailure) {
  // The registry's folder cannot be made where a file stands.
  test::WriteFile(dir_ / "reg", test::Bytes{'x'});
  EXPECT_EQ(RegisterClass(Sample(kClassA, "Sample.A")), E_FAIL);
  EXPECT_FALSE(ClassIdFromProgId("Sample.A"));
  EXPECT_EQ(test::ReadFile(dir_ / "reg"), test::Bytes{'x'});
}

}  // namespace
}  // namespace tolvo::runtime
