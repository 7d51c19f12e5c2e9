// What "cmake --install" puts under a prefix of the user's choosing: tolvo runs from there with
// the libraries beside it, its manual page renders, its bash completion completes, and a host
// program builds against tolvo.pc and the installed headers and creates the control.
#include <gtest/gtest.h>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir();
    std::string build = std::string(TOLVO_TEST_BIN_DIR) + "/..";
    std::string log;
    installStatus_ = RunCommand("cmake --install " + ShellQuote(build) + " --prefix " +
                                    ShellQuote(prefix_->path()) + " 2>&1",
                                &log);
    installLog_ = new std::string(log);
  }
  static void TearDownTestSuite() {
    delete prefix_;
    delete installLog_;
  }
  void SetUp() override { ASSERT_EQ(installStatus_, 0) << *installLog_; }
  static std::string At(const std::string& relative) { return *prefix_ / relative; }

  static inline TempDir* prefix_ = nullptr;
  static inline int installStatus_ = -1;
  static inline std::string* installLog_ = nullptr;
};

TEST_F(InstalledTree, TheProgramRunsWithTheLibrariesBesideIt) {
  TempDir work;
  WriteWav(work / "in.wav", {.frames = 22050});
  std::string out;
  int status = RunCommand(
      "cd " + ShellQuote(work.path()) +
          " && env -u DISPLAY TOLVO_REGISTRY_FILE=" + ShellQuote(work / "r.ini") + " " +
          ShellQuote(At("bin/tolvo")) + " -q encode in.wav out.mp3 --title Installed 2>&1",
      &out);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NEAR(DecodedSeconds(work / "out.mp3"), 0.5, 0.05);
  // No file of the build folder is used: the installed tree holds everything tolvo loads.
  std::string libraries;
  RunCommand("ldd " + ShellQuote(At("bin/tolvo")), &libraries);
  EXPECT_NE(libraries.find(At("bin/../lib/tolvo/libtolvoruntime.so")), std::string::npos)
      << libraries;
}

TEST_F(InstalledTree, TheManualPageRenders) {
  std::string page;
  ASSERT_EQ(RunCommand(
                "MANWIDTH=80 man -l " + ShellQuote(At("share/man/man1/tolvo.1")) + " 2>&1 | col -b",
                &page),
            0);
  for (const char* text :
       {"tolvo - encode WAV files to MP3 and edit ID3 tags", "SYNOPSIS", "--vbr-quality",
        "EXIT STATUS", "no space left on device", "SUPPORTED FILES"}) {
    EXPECT_NE(page.find(text), std::string::npos) << text;
  }
  // groff finds nothing to warn about.
  std::string warnings;
  RunCommand("MANWIDTH=80 man --warnings -l " + ShellQuote(At("share/man/man1/tolvo.1")) +
                 " 2>&1 >/dev/null",
             &warnings);
  EXPECT_EQ(warnings, "");
}

TEST_F(InstalledTree, BashCompletesCommandsOptionsValuesAndGenres) {
  struct Case {
    std::string words;  // the words of the line; the last is being completed
    std::string completions;
  };
  const Case cases[] = {
      {"tolvo enc", "encode"},
      {"tolvo -q tag ''", "show set remove"},
      {"tolvo tag set x.mp3 --gen", "--genre"},
      {"tolvo encode in.wav out.mp3 --mode ''", "stereo joint dual mono"},
      {"tolvo encode --vbr-q", "--vbr-quality"},
      {"tolvo encode a.wav --genre Hip", "Hip-Hop"},
      {"tolvo help ta", "tag"},
  };
  for (const Case& c : cases) {
    std::string script = "shopt -s extglob; PATH=" + ShellQuote(At("bin")) + ":$PATH; source " +
                         ShellQuote(At("share/bash-completion/completions/tolvo")) +
                         "; COMP_WORDS=(" + c.words +
                         "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tolvo; "
                         "echo \"${COMPREPLY[*]}\"; complete -p tolvo";
    std::string out;
    ASSERT_EQ(RunCommand("env -u DISPLAY bash -c " + ShellQuote(script) + " 2>&1", &out), 0) << out;
    EXPECT_EQ(out, c.completions + "\ncomplete -F _tolvo tolvo\n") << c.words;
  }
}

TEST_F(InstalledTree, AHostBuildsFromThePkgConfigFileAndCreatesTheControl) {
  TempDir work;
  const std::string host =
      "#include <cstdio>\n"
      "#include <string>\n"
      "#include \"tolvo/control/encoder_tuning.h\"\n"
      "#include \"tolvo/control/error_codes.h\"\n"
      "#include \"tolvo/control/tolvo_encode.h\"\n"
      "#include \"tolvo/runtime/create_object.h\"\n"
      "int main(int, char** argv) {\n"
      "  using namespace tolvo;\n"
      "  runtime::ComPtr<control::_TolvoEncode> encoder;\n"
      "  if (runtime::FAILED(runtime::CreateObjectFromServer(argv[1], control::CLSID_TolvoEncode,\n"
      "          control::IID__TolvoEncode, encoder.PutVoid()))) return 1;\n"
      "  std::u16string name;\n"
      "  encoder->ControlName(&name);\n"
      "  runtime::ComPtr<control::IEncoderTuning> tuning;\n"
      "  if (runtime::FAILED(encoder.As(control::IID_IEncoderTuning, &tuning))) return 2;\n"
      "  if (tuning->SetVbrQuality(10) != runtime::E_INVALIDARG) return 3;\n"
      "  if (runtime::FAILED(tuning->SetVbrQuality(4))) return 4;\n"
      "  std::printf(\"%s\\n\", std::string(name.begin(), name.end()).c_str());\n"
      "  return 0;\n"
      "}\n";
  WriteFile(work / "host.cpp", Bytes(host.begin(), host.end()));
  std::string pkg = "PKG_CONFIG_PATH=" + ShellQuote(At("lib/pkgconfig")) + " pkg-config";
  std::string out;
  ASSERT_EQ(RunCommand("cd " + ShellQuote(work.path()) +
                           " && c++ " TOLVO_HOST_TEST_FLAGS " host.cpp -o host $(" + pkg +
                           " --cflags --libs tolvo) 2>&1 && ./host \"$(" + pkg +
                           " --variable=controlfile tolvo)\" 2>&1",
                       &out),
            0)
      << out;
  EXPECT_EQ(out, "Tolvo MP3 Encoder OCX 1.3.0\n");
}

}  // namespace
}  // namespace tolvo::test
