// The folder of a loaded module is absolute, also for a module opened by a relative name after
// the current folder has changed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/module_path.h"

namespace tolvo::platform {
namespace {

TEST(ModuleFolder, IsAbsoluteForAModuleOpenedByARelativeName) {
  test::TempDir dir;
  std::filesystem::copy_file(test::OutDir() + "/libtolvomp3enc1.so", dir / "libtolvomp3enc1.so");
  char real[PATH_MAX];
  ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
  const std::string before = std::filesystem::current_path();

  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  Library library(LoadLibrary("./libtolvomp3enc1.so"));
  ASSERT_TRUE(library) << LastLibraryError();
  ASSERT_EQ(chdir("/"), 0);  // the relative name no longer names the file

  void* symbol = FindSymbol(library.get(), "beInitStream");
  ASSERT_NE(symbol, nullptr);
  EXPECT_EQ(ModuleFolderOf(symbol), real);
  EXPECT_EQ(ModulePathOf(symbol), std::string(real) + "/libtolvomp3enc1.so");
  ASSERT_EQ(chdir(before.c_str()), 0);
}

TEST(ModuleFolder, OfTheMainProgramIsAbsoluteWhateverItWasStartedAs) {
  EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&ModuleFolderOf)).front(), '/');
}

}  // namespace
}  // namespace tolvo::platform
