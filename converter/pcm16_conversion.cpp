// The conversion itself: the samples go through in fixed blocks into a temporary sibling of the
// output, which is renamed over the output only once it is complete and flushed.
#include "pcm16_conversion.h"

#include <cstring>
#include <vector>

#include "wav_reader.h"

namespace tolvo::converter {
namespace {

constexpr size_t kBlockBytes = 64 * 1024;

// A file beside the output that is removed unless it was committed by renaming it into place.
class TemporarySibling {
 public:
  explicit TemporarySibling(platform::FileSystem& fs) : fs_(fs) {}
  TemporarySibling(const TemporarySibling&) = delete;
  TemporarySibling& operator=(const TemporarySibling&) = delete;
  ~TemporarySibling() {
    if (!path_.empty()) fs_.Remove(path_.c_str());
  }
  platform::IoStatus Create(const std::string& finalPath) {
    const size_t slash = finalPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : finalPath.substr(0, slash));
    return fs_.MakeTempFile(folder, ".snd-partial-", &path_);
  }
  const std::string& path() const { return path_; }
  platform::IoStatus CommitAs(const std::string& finalPath) {
    platform::IoStatus status = fs_.Rename(path_.c_str(), finalPath.c_str());
    if (status) path_.clear();
    return status;
  }

 private:
  platform::FileSystem& fs_;
  std::string path_;
};

std::string ErrorText(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

bool Fail(std::string* problem, std::string text) {
  *problem = std::move(text);
  return false;
}

// Copies byteCount sample bytes from in to out, widening 8-bit samples.
bool CopySamples(platform::File& in, platform::File& out, uint32_t byteCount, bool widen,
                 std::string* problem) {
  std::vector<uint8_t> block(kBlockBytes);
  std::vector<uint8_t> wide(widen ? 2 * kBlockBytes : 0);
  uint64_t left = byteCount;
  while (left > 0) {
    const size_t want = left < kBlockBytes ? static_cast<size_t>(left) : kBlockBytes;
    if (in.ReadFull(block.data(), want) != static_cast<int64_t>(want)) {
      return Fail(problem, "truncated: the samples end early");
    }
    const uint8_t* bytes = block.data();
    size_t count = want;
    if (widen) {
      WidenPcm8(block.data(), want, wide.data());
      bytes = wide.data();
      count = 2 * want;
    }
    if (out.WriteFull(bytes, count) != static_cast<int64_t>(count)) {
      return Fail(problem, "cannot write the output (disk full?)");
    }
    left -= want;
  }
  return true;
}

}  // namespace

void WidenPcm8(const uint8_t* in, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const int16_t sample = static_cast<int16_t>((in[i] - 128) * 256);
    WriteLe16(out + 2 * i, static_cast<uint16_t>(sample));
  }
}

bool ConvertWavToPcm16(const std::string& inputPath, const std::string& outputPath,
                       ConversionSummary* summary, std::string* problem, platform::FileSystem& fs) {
  if (outputPath.empty()) return Fail(problem, "no output file named");
  int error = 0;
  platform::File in =
      platform::File::Open(fs, inputPath.c_str(), platform::OpenMode::kRead, &error);
  if (!in.IsOpen()) return Fail(problem, ErrorText("cannot open the input", error));
  if (fs.StatFd(in.fd()).kind != platform::FileKind::kFile) {
    return Fail(problem, "the input is not a regular file");
  }

  PcmData data;
  if (!LocatePcmData(in, &data, problem)) return false;
  const bool widen = data.format.bitsPerSample == 8;
  const uint64_t outBytes = widen ? 2ull * data.byteCount : data.byteCount;
  if (outBytes > kMaxDataBytes) return Fail(problem, "too long for a 16-bit WAV file");

  TemporarySibling partial(fs);
  if (platform::IoStatus status = partial.Create(outputPath); !status) {
    return Fail(problem, ErrorText("cannot create a file beside the output", status.error));
  }
  platform::File out =
      platform::File::Open(fs, partial.path().c_str(), platform::OpenMode::kCreateTruncate, &error);
  if (!out.IsOpen()) return Fail(problem, ErrorText("cannot open the output", error));

  const auto header = EncodeCanonicalHeader(data.format.channels, data.format.sampleRate, 16,
                                            static_cast<uint32_t>(outBytes));
  if (out.WriteFull(header.data(), header.size()) != static_cast<int64_t>(header.size())) {
    return Fail(problem, "cannot write the output (disk full?)");
  }
  if (!in.SeekTo(data.offset)) return Fail(problem, "cannot reach the samples");
  if (!CopySamples(in, out, data.byteCount, widen, problem)) return false;
  if (!out.Sync() || !out.Close()) return Fail(problem, "cannot write the output (disk full?)");

  // The copy is as private as its source: the input's read and write bits, the owner's always.
  fs.SetMode(partial.path().c_str(), (fs.StatFd(in.fd()).mode & 0666u) | 0600u);
  if (platform::IoStatus status = partial.CommitAs(outputPath); !status) {
    return Fail(problem, ErrorText("cannot put the output in place", status.error));
  }
  summary->input = data.format;
  summary->frames = data.FrameCount();
  return true;
}

}  // namespace tolvo::converter
