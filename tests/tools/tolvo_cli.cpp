// The shell line behind RunTolvo, and the noise WAV writer.
#include "tolvo_cli.h"

#include <random>

namespace tolvo::test {

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string TolvoPath() { return OutDir() + "/tolvo"; }

namespace {

std::string ToolEnvironment(const TempDir& dir) {
  return "cd " + ShellQuote(dir.path()) +
         " && env -u DISPLAY -u WAYLAND_DISPLAY TOLVO_REGISTRY_FILE=" +
         ShellQuote(dir / "registry.ini") + " ";
}

}  // namespace

ToolRun RunTolvo(const TempDir& dir, const std::vector<std::string>& arguments,
                 const std::string& wrapper) {
  std::string line = ToolEnvironment(dir) + wrapper + " " + ShellQuote(TolvoPath());
  for (const std::string& a : arguments) line += " " + ShellQuote(a);
  std::string outFile = dir / ".tolvo-out", errFile = dir / ".tolvo-err";
  line += " >" + ShellQuote(outFile) + " 2>" + ShellQuote(errFile);
  ToolRun run;
  run.status = RunCommand(line);
  Bytes out = ReadFile(outFile), err = ReadFile(errFile);
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  RunCommand("rm -f " + ShellQuote(outFile) + " " + ShellQuote(errFile));
  return run;
}

ToolRun RunToolShell(const TempDir& dir, const std::string& line, int seconds) {
  std::string script = "tolvo() { " + ShellQuote(TolvoPath()) + " \"$@\"; }\n" + line + "\n";
  WriteFile(dir / ".tolvo-line.sh", Bytes(script.begin(), script.end()));
  std::string outFile = dir / ".tolvo-out", errFile = dir / ".tolvo-err";
  ToolRun run;
  run.status =
      RunCommand(ToolEnvironment(dir) + "timeout " + std::to_string(seconds) +
                 " bash .tolvo-line.sh >" + ShellQuote(outFile) + " 2>" + ShellQuote(errFile));
  Bytes out = ReadFile(outFile), err = ReadFile(errFile);
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  RunCommand("rm -f " + ShellQuote(outFile) + " " + ShellQuote(errFile) + " " +
             ShellQuote(dir / ".tolvo-line.sh"));
  return run;
}

std::string Mp3StreamInfo(const std::string& mp3Path) {
  std::string info;
  if (RunCommand("mpg123 -v -t " + ShellQuote(mp3Path) + " 2>&1", &info) != 0) return "";
  size_t layer = info.find(" L III ");
  if (layer == std::string::npos) return "";
  size_t at = info.rfind('\n', layer);
  at = at == std::string::npos ? 0 : at + 1;
  return info.substr(at, info.find('\n', layer) - at);
}

void WriteNoiseWav(const std::string& path, int seconds) {
  WavFormat wavFormat;
  wavFormat.frames = int64_t{44100} * seconds;
  Bytes wav = MakeWav(wavFormat);
  std::mt19937 random(7);
  for (size_t i = 44; i < wav.size(); ++i) wav[i] = static_cast<uint8_t>(random());
  WriteFile(path, wav);
}

}  // namespace tolvo::test
